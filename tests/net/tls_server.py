#!/usr/bin/env python3
"""An HTTPS server with a certificate nobody trusts, for the certificate tests.

Every GET or POST is answered 200 with a small JPEG-like body, so a client that ignored the
certificate would succeed (and the test would see it). Requests that get past the handshake
are appended to the log file.
"""
import argparse
import os
import http.server
import ssl

BODY = b"\xff\xd8\xff\xe0" + b"untrusted" * 100


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--ready-file", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()

    class Handler(http.server.BaseHTTPRequestHandler):
        def answer(self):
            with open(args.log, "a", encoding="utf-8") as log:
                log.write(f"{self.command} {self.path}\n")
            self.send_response(200)
            self.send_header("Content-Type", "image/jpeg")
            self.send_header("Content-Length", str(len(BODY)))
            self.end_headers()
            self.wfile.write(BODY)

        do_GET = answer
        do_POST = answer

        def log_message(self, *_):
            pass

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    # A failed handshake raises in accept, which the server drops as an OSError.
    server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(args.ready_file + ".tmp", "w", encoding="utf-8") as ready:
        ready.write(str(server.server_address[1]))
    os.replace(args.ready_file + ".tmp", args.ready_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
