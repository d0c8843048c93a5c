"""The HTTP server: reads requests, applies faults, routes to the endpoints."""

import os
import socket
import sys
import threading
import traceback
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

from . import control, pages, protocol, transfer
from .config import LOOPBACK
from .endpoints import REGISTRATION_PATH, WallpaperService, root_for
from .faults import FaultBoard
from .forms import parse_form
from .messages import XML_TYPE, Reply, Request, text_reply
from .requestlog import RequestLog
from .sessions import SessionTable
from .store import Store, password_digest

# Faults that replace the answer; the others change how it is delivered.
_ANSWER_FAULTS = ("status", "malformed_xml", "error_type", "web_page")

# What a network's sign-in page looks like to a program that expected the service.
_SIGN_IN_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Welcome</title></head>"
                 b"<body><form action=\"/login\">Sign in to use this network</form></body></html>\n")


class _Refused(Exception):
    def __init__(self, reply):
        super().__init__(reply.status)
        self.reply = reply


class ServiceHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "Tovarin/1.0"
    sys_version = ""
    # Garbage request lines get an error with a status line, not a bare HTTP/0.9 body.
    default_request_version = "HTTP/1.0"

    def version_string(self):
        return self.server_version

    def setup(self):
        self.timeout = self.server.app.config.idle_timeout
        super().setup()

    def do_GET(self):
        self._handle()

    do_POST = do_HEAD = do_DELETE = do_GET

    def send_response(self, code, message=None):
        self._started = True
        super().send_response(code, message)

    def log_message(self, format, *args):
        if not self.server.app.config.quiet:
            sys.stderr.write(f"{self.address_string()} - {format % args}\n")

    def _handle(self):
        self._started = False
        app = self.server.app
        try:
            self._serve(app)
        except (ConnectionError, TimeoutError, socket.timeout):
            self.close_connection = True
        except Exception:
            self.close_connection = True
            if not app.config.quiet:
                traceback.print_exc()
            if not self._started:
                try:
                    transfer.send_reply(self, text_reply(500, "Internal error", close=True))
                except OSError:
                    pass

    def _serve(self, app):
        try:
            request = self._read_request(app.config.max_body)
        except _Refused as refusal:
            transfer.send_reply(self, refusal.reply)
            return
        if request is None:
            self.close_connection = True  # the peer went away mid-body
            return
        if request.path.startswith(control.PREFIX):
            transfer.send_reply(self, app.control.answer(request))
            return

        entry = app.log.record(request.method, request.path, request.query_text,
                               request.body.decode("utf-8", errors="backslashreplace"),
                               request.form, self.headers)
        fault = app.faults.take(request.path)
        if fault is not None:
            app.log.note(entry, fault=fault.mode)
            if fault.mode == "drop":
                self.close_connection = True  # never answered
                return
            if fault.mode == "hold_open":
                if not app.faults.hold(fault.params["timeout"]):
                    self.close_connection = True  # never answered
                    return
                fault = None
        if fault is not None and fault.mode in _ANSWER_FAULTS:
            reply, fault = self._faulty_answer(request, fault), None
        else:
            reply = app.service.answer(request)
            if reply is None and request.path == REGISTRATION_PATH:
                reply = pages.registration(request, app.store)
            if reply is None:
                reply = text_reply(404, "Not found")
        # Logged before the answer goes out: a client that reads the log right after its
        # answer must find the status there.
        transfer.send_reply(self, reply, fault, app.stopping,
                            on_status=lambda status: app.log.note(entry, status=status))

    def _target(self):
        """Path and query text of the request target (origin or absolute form)."""
        target = self.path.partition("#")[0]
        if not target.startswith("/"):
            try:
                split = urlsplit(target)
            except ValueError:
                raise _Refused(text_reply(400, "Bad request target", close=True)) from None
            target = (split.path or "/") + ("?" + split.query if split.query else "")
        path, _, query = target.partition("?")
        return path, query

    def _read_request(self, max_body):
        path, query = self._target()
        if self.headers.get("Transfer-Encoding"):
            raise _Refused(text_reply(411, "Send the body with a Content-Length", close=True))
        length_text = self.headers.get("Content-Length")
        length = 0
        if length_text is not None:
            length_text = length_text.strip()
            if not length_text.isascii() or not length_text.isdigit():
                raise _Refused(text_reply(400, "Bad Content-Length", close=True))
            length = int(length_text)
            if length > max_body:
                raise _Refused(text_reply(413, f"The body may have at most {max_body} bytes",
                                          close=True))
        body = self.rfile.read(length) if length else b""
        if len(body) < length:
            return None
        content_type = (self.headers.get("Content-Type") or "").lower()
        form = []
        if body and (not content_type or "x-www-form-urlencoded" in content_type):
            form = parse_form(body)
        return Request(method=self.command, path=path, query=parse_form(query), form=form,
                       headers=self.headers, client=self.client_address[0], body=body,
                       query_text=query)

    def _faulty_answer(self, request, fault):
        if fault.mode == "status":
            code = fault.params["code"]
            return text_reply(code, f"Status {code} (fault mode)")
        if fault.mode == "web_page":
            return Reply(body=_SIGN_IN_PAGE, content_type="text/html; charset=utf-8", ranged=False)
        root = root_for(request.path)
        if fault.mode == "malformed_xml":
            body = protocol.malformed_answer(root)
        else:
            body = protocol.error_answer(root, fault.params["type"])
        return Reply(body=body, content_type=XML_TYPE, headers=[("Cache-Control", "no-cache")])


class _HTTPServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def handle_error(self, request, client_address):
        error = sys.exc_info()[1]
        if isinstance(error, (ConnectionError, TimeoutError, socket.timeout)):
            return
        if not self.app.config.quiet:
            super().handle_error(request, client_address)


class TovarinService:
    """One running service: the HTTP server and everything it serves.

    Binds 127.0.0.1 at construction (port 0 picks a free port, see .port);
    serve in the calling thread with serve_forever() or in a background
    thread with start(); stop() ends it.
    """

    def __init__(self, config):
        if config.installer:
            if not os.path.isfile(config.installer):
                raise ValueError(f"the installer {config.installer} is not a file")
            if not config.installer_version:
                raise ValueError("an installer needs its version (--installer-version)")
        self.config = config
        self.stopping = threading.Event()
        self.store = Store(config.db)
        try:
            for username, password, email in config.users:
                self.store.set_account(username, password_digest(password), email)
            self.sessions = SessionTable(config.session_timeout)
            self.faults = FaultBoard()
            for description in config.faults:
                self.faults.add(description)
            self.log = RequestLog(config.log_size)
            self.httpd = _HTTPServer((LOOPBACK, config.port), ServiceHandler)
        except BaseException:
            self.store.close()
            raise
        self.httpd.app = self
        self.port = self.httpd.server_address[1]
        self.base_url = config.base_url or f"http://{LOOPBACK}:{self.port}"
        self.service = WallpaperService(config, self.store, self.sessions, self.base_url)
        self.control = control.Control(self.faults, self.log, self.sessions, self.store, self.port,
                                       self.service)
        self._thread = None
        self._serving = threading.Event()

    def serve_forever(self):
        self._serving.set()
        self.httpd.serve_forever(poll_interval=0.05)

    def start(self):
        self._serving.set()  # before the thread runs, so an early stop() still shuts it down
        self._thread = threading.Thread(target=self.httpd.serve_forever, args=(0.05,),
                                        name="tovarin-service", daemon=True)
        self._thread.start()
        return self

    def stop(self):
        if self.stopping.is_set():
            return
        self.stopping.set()
        self.faults.close()
        self.control.close()
        if self._serving.is_set():
            self.httpd.shutdown()
        self.httpd.server_close()
        if self._thread is not None:
            self._thread.join(timeout=10)
        self.store.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
