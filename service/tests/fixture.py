"""A service on a free loopback port with a small picture folder, and a
client that keeps the session cookie like WinINet does."""

import http.client
import json
import os
import shutil
import socket
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET
from urllib.parse import urlencode

from tovarin.config import ServiceConfig
from tovarin.server import TovarinService
from tovarin.store import password_digest

# category -> {file name: content}; contents differ so a mix-up shows.
PICTURES = {
    "fengguang": {"lake.jpg": bytes(range(256)) * 40, "hill side.jpg": b"H" * 3000},
    "dongwu": {"cat.jpg": b"C" * 2000, "notes.txt": b"not a picture"},
    "xiezhen": {"portrait.jpg": b"P" * 1500},
}
PASSWORD = "secret"


class ServiceTestCase(unittest.TestCase):
    """Each test gets its own service and folder; override config() to change it."""

    def config(self, folder):
        return ServiceConfig(port=0, pictures=os.path.join(folder, "pictures"), quiet=True,
                             users=[("alice", PASSWORD, "alice@example.org"),
                                    ("bob", PASSWORD, "")])

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tovarin-test-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        for category, files in PICTURES.items():
            os.makedirs(os.path.join(self.folder, "pictures", category))
            for name, content in files.items():
                with open(os.path.join(self.folder, "pictures", category, name), "wb") as out:
                    out.write(content)
        self.start_service()

    def start_service(self):
        self.service = TovarinService(self.config(self.folder)).start()
        self.addCleanup(self.service.stop)
        self.port = self.service.port
        self.cookie = None

    def request(self, method, path, body=None, headers=None):
        """(status, headers, body); remembers a session cookie that is set."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            headers = dict(headers or {})
            if self.cookie and "Cookie" not in headers:
                headers["Cookie"] = self.cookie
            if isinstance(body, (dict, list)):
                body = urlencode(body)
                headers.setdefault("Content-Type", "application/x-www-form-urlencoded")
            connection.request(method, path, body=body, headers=headers)
            response = connection.getresponse()
            data = response.read()
            for cookie in response.headers.get_all("Set-Cookie") or []:
                self.cookie = cookie.split(";")[0] if "Max-Age=0" not in cookie else None
            return response.status, response.headers, data
        finally:
            connection.close()

    def post_xml(self, path, fields=(), root=None):
        """POST a service request (with the common fields) and parse the XML answer."""
        status, headers, data = self.request("POST", "/service/viewer/v1.0/" + path,
                                             [("oem", ""), *fields, ("version", "20070411")])
        self.assertEqual(status, 200, data)
        self.assertTrue(headers["Content-Type"].startswith("text/xml"))
        document = ET.fromstring(data)
        if root:
            self.assertEqual(document.tag, root)
        return document

    def sign_in(self, username="alice", password=PASSWORD):
        return self.post_xml("login.php", [("password", password_digest(password)),
                                           ("username", username)], root="Login")

    def control(self, method, name, value=None):
        body = None if value is None else json.dumps(value)
        status, _, data = self.request(method, "/_control/" + name, body,
                                       {"Content-Type": "application/json"})
        return status, json.loads(data)

    def raw(self, request_bytes, timeout=30):
        """Send raw bytes; read until the service closes the connection."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as sock:
            sock.sendall(request_bytes)
            sock.shutdown(socket.SHUT_WR)
            chunks = []
            while True:
                chunk = sock.recv(65536)
                if not chunk:
                    return b"".join(chunks)
                chunks.append(chunk)


def error_type(document):
    error = document.find("Error")
    return None if error is None else error.get("type", "<no type>")


def split_response(raw):
    """(status, headers dict, body) of one raw HTTP response."""
    head, _, body = raw.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = dict(line.split(": ", 1) for line in lines[1:])
    return int(lines[0].split()[1]), headers, body


def wait_until(condition, seconds=20):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("gave up waiting")
        time.sleep(0.02)
