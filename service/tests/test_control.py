"""Control endpoints, the request log and surviving garbage."""

import base64
import hashlib
import socket
import threading

from tests.fixture import ServiceTestCase, split_response

HEARTBEAT = "/service/viewer/v1.0/heartbeat.php"


class RequestLogTest(ServiceTestCase):
    def test_records_what_the_client_sent(self):
        body = "a=a+b%26c&oem=&tags=%E9%A3%8E%E5%85%89&"
        self.request("POST", HEARTBEAT, body, {"Content-Type": "application/x-www-form-urlencoded",
                                                "Range": "bytes= 5-", "Cookie": "TOVARINSID=abc"})
        self.request("GET", "/pictures/dongwu/cat.jpg")
        status, answer = self.control("GET", "requests?path=" + HEARTBEAT)
        (entry,) = answer["requests"]
        self.assertEqual((entry["method"], entry["body"]), ("POST", body))
        self.assertEqual(entry["form"], [["a", "a b&c"], ["oem", ""], ["tags", "\u98ce\u5149"]])
        self.assertEqual((entry["range"], entry["cookie"]), ("bytes= 5-", "TOVARINSID=abc"))
        self.assertEqual(entry["status"], 206)  # XML answers honour Range too

    def test_since_and_clear_and_control_requests_unlogged(self):
        self.request("GET", "/")
        first = self.control("GET", "requests")[1]["requests"]
        self.assertEqual([entry["path"] for entry in first], ["/"])
        self.request("GET", "/nothing")
        later = self.control("GET", f"requests?since={first[0]['seq']}")[1]["requests"]
        self.assertEqual([(entry["path"], entry["status"]) for entry in later], [("/nothing", 404)])
        self.assertEqual(self.control("DELETE", "requests")[1], {"removed": 2})
        self.assertEqual(self.control("GET", "requests")[1]["requests"], [])


class ControlTest(ServiceTestCase):
    def test_bad_faults_are_refused_whole(self):
        for value in [{"mode": "status", "code": True},
                      [{"mode": "status"}, {"mode": "hold_open", "timeout": 600}], "status"]:
            with self.subTest(value=value):
                status, answer = self.control("POST", "faults", value)
                self.assertEqual(status, 400)
                self.assertTrue(answer["error"])
        self.assertEqual(self.request("POST", "/_control/faults", "{not json")[0], 400)
        self.assertEqual(self.control("GET", "faults")[1]["faults"], [])

    def test_list_and_clear_faults(self):
        self.control("POST", "faults", {"mode": "status", "count": 2})
        self.request("GET", "/")
        (fault,) = self.control("GET", "faults")[1]["faults"]
        self.assertEqual((fault["mode"], fault["count"], fault["code"]), ("status", 1, 500))
        self.assertEqual(self.control("POST", "faults/clear")[1], {"removed": 1})
        self.assertEqual(self.request("GET", "/")[0], 200)

    def test_users_and_unknown_endpoints(self):
        self.assertEqual(self.control("POST", "users", {"username": "erin", "password": "pw"})[0], 200)
        self.assertEqual(self.sign_in("erin", "pw").findtext("LoginStatus"), "1")
        self.assertEqual(self.control("POST", "users", {"username": "Erin", "password": "x"})[0], 409)
        self.assertEqual(self.control("POST", "users", {"username": "fay"})[0], 400)
        self.assertEqual(self.control("GET", "nothing")[0], 404)
        self.assertEqual(self.control("GET", "release")[0], 405)
        self.assertEqual(self.control("GET", "ping")[1], {"ok": True, "port": self.port})

    def test_installer_offered_and_withdrawn(self):
        offer = {"version": "20990101", "name": "Setup.exe", "content": "bytes", "checksum": "abc"}
        self.assertEqual(self.control("POST", "installer", offer)[0], 200)
        answer = self.post_xml("checkupdate.php")
        self.assertEqual(answer.findtext("Version"), "20990101")
        self.assertEqual(answer.findtext("File/CheckSum"), "abc")
        self.assertTrue(answer.findtext("File/Url").endswith("/Setup.exe"))
        del offer["checksum"]
        self.control("POST", "installer", offer)
        self.assertEqual(self.post_xml("checkupdate.php").findtext("File/CheckSum"),
                         hashlib.sha256(b"bytes").hexdigest().upper())
        self.assertIsNone(self.post_xml("checkupdate.php").find("File/Signature"), "unsigned")
        self.control("POST", "installer", dict(offer, signature="c2ln"))
        self.assertEqual(self.post_xml("checkupdate.php").findtext("File/Signature"), "c2ln")
        self.control("POST", "installer", dict(offer, sign=True))
        self.assertEqual(len(base64.b64decode(self.post_xml("checkupdate.php").findtext("File/Signature"))), 384,
                         "an RSA 3072 signature by the development key")
        for bad in ({"version": "1", "name": "../x", "content": ""}, {"version": "1", "path": "/nonexistent"},
                    {"name": "x"}, dict(offer, sign=True, signature="c2ln"), dict(offer, sign="yes")):
            self.assertEqual(self.control("POST", "installer", bad)[0], 400, bad)
        self.assertEqual(self.control("DELETE", "installer")[0], 200)
        self.assertIsNone(self.post_xml("checkupdate.php").findtext("Version"))


class GarbageTest(ServiceTestCase):
    def assert_still_serving(self):
        self.assertEqual(self.post_xml("heartbeat.php").findtext("LoginStatus"), "0")

    def test_malformed_requests_get_an_error_status(self):
        cases = [b"\x00\xff garbage\r\n\r\n", b"GET\r\n\r\n", b"GET / HTTP/9.9\r\n\r\n",
                 b"BREW /pot HTTP/1.1\r\n\r\n",
                 b"POST " + HEARTBEAT.encode() + b" HTTP/1.1\r\nContent-Length: -4\r\n\r\n",
                 b"POST " + HEARTBEAT.encode() + b" HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n",
                 b"POST " + HEARTBEAT.encode() + b" HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
                 b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\n\r\n"]
        for raw in cases:
            with self.subTest(raw=raw[:60]):
                answer = self.raw(raw)
                self.assertRegex(answer, rb"^HTTP/1\.[01] [45]\d\d ")
        self.assert_still_serving()

    def test_odd_bodies_and_broken_connections(self):
        status, _, body = self.request("POST", HEARTBEAT, b"version=\xff\xfe&oem=%FF&&==&",
                                       {"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 200)
        self.assertEqual(self.request("POST", "/service/viewer/v1.0/image.php", b"\x00" * 60000)[0], 200)
        with socket.create_connection(("127.0.0.1", self.port)) as sock:
            sock.sendall(b"POST " + HEARTBEAT.encode() + b" HTTP/1.1\r\nContent-Length: 100\r\n\r\nver")
        self.assert_still_serving()

    def test_concurrent_clients(self):
        failures = []

        def client():
            for _ in range(5):
                answer = self.raw(b"GET /pictures/dongwu/cat.jpg HTTP/1.1\r\nHost: x\r\n\r\n")
                if split_response(answer)[2] != b"C" * 2000:
                    failures.append(answer[:80])
        workers = [threading.Thread(target=client) for _ in range(20)]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join(60)
        self.assertEqual(failures, [])
        self.assert_still_serving()
