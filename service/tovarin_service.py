#!/usr/bin/env python3
"""Tovarin wallpaper service for Kestrane, listening on 127.0.0.1.

    python3 service/tovarin_service.py --pictures DIR --db FILE [--port 8723]

The first line on stdout is "listening on 127.0.0.1:PORT" (useful with
--port 0, which picks a free port). See service/README.md.
"""

import argparse
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tovarin.config import DEFAULT_PORT, ServiceConfig  # noqa: E402
from tovarin.faults import parse_fault_option  # noqa: E402
from tovarin.signing import SIGN_WITH_DEVELOPMENT_KEY, read_signature_file  # noqa: E402
from tovarin.server import TovarinService  # noqa: E402
from tovarin.store import StoreError  # noqa: E402


def _user(text):
    username, sep, rest = text.partition(":")
    password, _, email = rest.partition(":")
    if not sep or not username.strip() or not password:
        raise argparse.ArgumentTypeError("expected NAME:PASSWORD[:EMAIL]")
    return username.strip(), password, email.strip()


def _fault(text):
    try:
        return parse_fault_option(text)
    except ValueError as error:
        raise argparse.ArgumentTypeError(str(error)) from None


def _port(text):
    port = int(text)
    if not 0 <= port <= 65535:
        raise argparse.ArgumentTypeError("a port is 0..65535 (0 picks a free one)")
    return port


def _positive(kind):
    def convert(text):
        value = kind(text)
        if value <= 0:
            raise argparse.ArgumentTypeError("must be above 0")
        return value
    return convert


def _not_negative(text):
    value = int(text)
    if value < 0:
        raise argparse.ArgumentTypeError("must not be negative")
    return value


def build_parser():
    parser = argparse.ArgumentParser(
        description="Tovarin wallpaper service for Kestrane (listens on 127.0.0.1 only).")
    parser.add_argument("--port", type=_port, default=DEFAULT_PORT,
                        help=f"port to listen on (default {DEFAULT_PORT}; 0 picks a free one)")
    parser.add_argument("--pictures", metavar="DIR",
                        help="folder with one sub-folder of pictures per category key")
    parser.add_argument("--db", metavar="FILE", default=":memory:",
                        help="sqlite file for accounts, picture ids and favourites "
                             "(default: in memory, lost at exit)")
    parser.add_argument("--base-url", metavar="URL",
                        help="address written into answers (default http://127.0.0.1:PORT)")
    parser.add_argument("--login-category", metavar="KEY", action="append",
                        help="category that needs sign-in (repeatable; default xiezhen)")
    parser.add_argument("--max-favorites", type=_positive(int), default=50, metavar="N",
                        help="favourites per account (default 50)")
    parser.add_argument("--list-size", type=_not_negative, default=0, metavar="N",
                        help="images per image list (default 0: all)")
    parser.add_argument("--installer", metavar="FILE", help="installer offered by the update check")
    parser.add_argument("--installer-version", metavar="VERSION",
                        help="its version, e.g. 20070411")
    parser.add_argument("--installer-description", metavar="TEXT", default="",
                        help="its release notes")
    parser.add_argument("--installer-checksum", metavar="TEXT",
                        help="announce TEXT as its checksum instead of its SHA-256 "
                             "(\"\" for an empty CheckSum)")
    signature = parser.add_mutually_exclusive_group()
    signature.add_argument("--installer-signature", metavar="FILE",
                           help="its detached signature (base64, as scripts/sign-update writes it)")
    signature.add_argument("--sign-installer", action="store_true",
                           help="sign it with the development-only key (tests and local runs)")
    parser.add_argument("--session-timeout", type=_positive(float), default=900.0, metavar="SEC",
                        help="seconds without a request before a sign-in ends (default 900)")
    parser.add_argument("--user", type=_user, action="append", default=[],
                        metavar="NAME:PASSWORD[:EMAIL]",
                        help="create this account at start (repeatable)")
    parser.add_argument("--fault", type=_fault, action="append", default=[],
                        metavar="MODE[,key=value...]",
                        help="fault in force from the start, e.g. trickle,path=/pictures/*,bytes=16 "
                             "(repeatable; modes: ignore_range close_early long_length status "
                             "trickle malformed_xml error_type hold_open)")
    parser.add_argument("--ready-file", metavar="FILE",
                        help="write the port number to FILE once listening")
    parser.add_argument("--quiet", action="store_true", help="do not log requests to stderr")
    return parser


def config_from(args):
    signature = SIGN_WITH_DEVELOPMENT_KEY if args.sign_installer else None
    if args.installer_signature:
        signature = read_signature_file(args.installer_signature)
    return ServiceConfig(
        port=args.port, pictures=args.pictures, db=args.db, base_url=args.base_url,
        login_categories=tuple(args.login_category or ("xiezhen",)),
        max_favorites=args.max_favorites, list_size=args.list_size,
        installer=args.installer, installer_version=args.installer_version,
        installer_description=args.installer_description,
        installer_checksum=args.installer_checksum, installer_signature=signature,
        session_timeout=args.session_timeout, users=args.user, faults=args.fault,
        quiet=args.quiet)


def main(argv=None):
    parser = build_parser()
    args = parser.parse_args(argv)
    if args.installer_version and not args.installer:
        parser.error("--installer-version needs --installer")
    if args.installer_checksum is not None and not args.installer:
        parser.error("--installer-checksum needs --installer")
    if (args.installer_signature or args.sign_installer) and not args.installer:
        parser.error("a signature needs --installer")
    try:
        config = config_from(args)
    except (ValueError, OSError) as error:
        parser.error(str(error))
    try:
        service = TovarinService(config)
    except (ValueError, StoreError) as error:
        parser.error(str(error))
    except OSError as error:
        print(f"tovarin_service: cannot listen on 127.0.0.1:{args.port}: {error.strerror or error}",
              file=sys.stderr)
        return 1

    if args.ready_file:
        temporary = args.ready_file + ".tmp"
        try:
            with open(temporary, "w") as ready:
                ready.write(f"{service.port}\n")
            os.replace(temporary, args.ready_file)
        except OSError as error:
            print(f"tovarin_service: cannot write {args.ready_file}: {error}", file=sys.stderr)
            service.stop()
            return 1
    print(f"listening on 127.0.0.1:{service.port}", flush=True)
    if args.pictures and not os.path.isdir(args.pictures):
        print(f"tovarin_service: {args.pictures} is not a folder; serving no pictures",
              file=sys.stderr)
    elif not args.pictures:
        print("tovarin_service: no --pictures folder; serving no pictures", file=sys.stderr)

    finished = threading.Event()
    for number in (signal.SIGINT, signal.SIGTERM):
        signal.signal(number, lambda *_: finished.set())
    service.start()
    while not finished.wait(0.2):
        pass
    service.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
