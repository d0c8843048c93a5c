"""Fault modes, switched on through the control endpoint or at start."""

import threading
import time
import xml.etree.ElementTree as ET
from dataclasses import replace

from tovarin.faults import parse_fault_option
from tests.fixture import PICTURES, ServiceTestCase, error_type, split_response, wait_until

PICTURE_PATH = "/pictures/fengguang/lake.jpg"
LAKE = PICTURES["fengguang"]["lake.jpg"]


def get(path, *headers):
    lines = [f"GET {path} HTTP/1.1", "Host: 127.0.0.1", *headers, "", ""]
    return "\r\n".join(lines).encode()


class DeliveryFaultTest(ServiceTestCase):
    def fault(self, **description):
        status, answer = self.control("POST", "faults", description)
        self.assertEqual(status, 200, answer)

    def test_ignore_range_sends_the_whole_body_once(self):
        self.fault(mode="ignore_range", path=PICTURE_PATH, count=1)
        self.assertEqual(self.request("GET", PICTURE_PATH, headers={"Range": "bytes= 10-"})[:3:2],
                         (200, LAKE))
        self.assertEqual(self.request("GET", PICTURE_PATH, headers={"Range": "bytes= 10-"})[:3:2],
                         (206, LAKE[10:]))
        self.assertEqual(self.control("GET", "faults")[1]["faults"], [])

    def test_close_early_then_resume_gives_the_whole_picture(self):
        self.fault(mode="close_early", path="/pictures/*", count=1)
        status, headers, body = split_response(self.raw(get(PICTURE_PATH)))
        self.assertEqual((status, headers["Content-Length"]), (200, str(len(LAKE))))
        self.assertEqual(body, LAKE[:len(LAKE) // 2])
        status, _, rest = split_response(self.raw(get(PICTURE_PATH, f"Range: bytes= {len(body)}-")))
        self.assertEqual((status, body + rest), (206, LAKE))

    def test_close_early_after_a_given_count_of_bytes(self):
        self.fault(mode="close_early", bytes=0)
        status, headers, body = split_response(self.raw(get(PICTURE_PATH)))
        self.assertEqual((status, body), (200, b""))

    def test_long_length_announces_more_than_it_sends(self):
        self.fault(mode="long_length", path=PICTURE_PATH, count=2, extra=100)
        _, headers, body = split_response(self.raw(get(PICTURE_PATH)))
        self.assertEqual((headers["Content-Length"], body), (str(len(LAKE) + 100), LAKE))
        status, headers, body = split_response(self.raw(get(PICTURE_PATH, f"Range: bytes= {len(LAKE)}-")))
        self.assertEqual((status, headers["Content-Length"], body), (206, "100", b""))

    def test_no_length_ends_the_body_by_closing(self):
        self.fault(mode="no_length", path=PICTURE_PATH, count=1)
        _, headers, body = split_response(self.raw(get(PICTURE_PATH)))
        self.assertNotIn("Content-Length", headers)
        self.assertEqual(body, LAKE)

    def test_status_applies_to_its_path_only(self):
        self.fault(mode="status", code=503, path="/service/viewer/v1.0/heartbeat.php")
        self.assertEqual(self.request("POST", "/service/viewer/v1.0/heartbeat.php", "version=1")[0], 503)
        self.assertEqual(self.request("GET", PICTURE_PATH)[0], 200)

    def test_trickle_delivers_everything_slowly(self):
        self.fault(mode="trickle", path=PICTURE_PATH, bytes=1024, interval=0.05)
        started = time.monotonic()
        status, _, body = self.request("GET", PICTURE_PATH)
        # Ten pieces: at least nine pauses, however fast the machine.
        self.assertGreaterEqual(time.monotonic() - started, 0.4)
        self.assertEqual((status, body), (200, LAKE))


class AnswerFaultTest(ServiceTestCase):
    def test_malformed_xml_does_not_run_the_request(self):
        self.sign_in()
        self.control("POST", "faults", {"mode": "malformed_xml", "count": 1})
        status, _, body = self.request("POST", "/service/viewer/v1.0/logout.php", "version=1")
        self.assertEqual(status, 200)
        with self.assertRaises(ET.ParseError):
            ET.fromstring(body)
        self.assertEqual(self.post_xml("heartbeat.php").findtext("LoginStatus"), "1")

    def test_error_type_under_each_endpoints_root(self):
        self.control("POST", "faults", [
            {"mode": "error_type", "type": "NeedLogin", "path": "/service/viewer/v1.0/login.php"},
            {"mode": "error_type", "type": None, "path": "/service/viewer/v1.0/heartbeat.php"},
            {"mode": "error_type", "type": "DBError", "path": "/service/viewer/v1.0/checkupdate.php"}])
        self.assertEqual(error_type(self.sign_in()), "NeedLogin")
        self.assertEqual(error_type(self.post_xml("heartbeat.php", root="Response")), "<no type>")
        self.assertEqual(error_type(self.post_xml("checkupdate.php", root="VersionInfo")), "DBError")

    def test_web_page_in_the_place_of_any_answer(self):
        self.control("POST", "faults", {"mode": "web_page", "count": 2})
        for path in ("/service/viewer/v1.0/image.php", PICTURE_PATH):
            status, headers, body = split_response(self.raw(get(path)))
            self.assertEqual((status, headers["Content-Type"]), (200, "text/html; charset=utf-8"))
            self.assertTrue(body.startswith(b"<!DOCTYPE html>"))
        self.assertEqual(self.request("GET", PICTURE_PATH)[:3:2], (200, LAKE))

    def test_drop_closes_without_an_answer_and_is_logged(self):
        self.control("POST", "faults", {"mode": "drop", "path": "/service/*"})
        self.assertEqual(self.raw(get("/service/viewer/v1.0/image.php")), b"")
        self.assertEqual(self.request("GET", PICTURE_PATH)[0], 200)
        logged = self.control("GET", "requests?path=/service/viewer/v1.0/image.php")[1]["requests"]
        self.assertEqual([entry["fault"] for entry in logged], ["drop"])

    def test_faults_given_at_start(self):
        self.service.stop()
        config = self.config
        self.config = lambda folder: replace(
            config(folder), faults=[parse_fault_option("status,code=404,path=/pictures/*")])
        self.start_service()
        self.assertEqual(self.request("GET", PICTURE_PATH)[0], 404)
        self.assertEqual(self.control("GET", "faults")[1]["faults"][0]["code"], 404)


class HoldOpenTest(ServiceTestCase):
    def test_held_until_released_then_answered(self):
        self.control("POST", "faults", {"mode": "hold_open", "path": PICTURE_PATH, "count": 1})
        answers = []
        worker = threading.Thread(target=lambda: answers.append(self.raw(get(PICTURE_PATH))))
        worker.start()
        wait_until(lambda: self.control("GET", "faults")[1]["held"] == 1)
        self.assertEqual(answers, [])
        self.assertEqual(self.control("POST", "release")[1], {"released": 1})
        worker.join(30)
        self.assertEqual(split_response(answers[0])[2], LAKE)

    def test_time_out_closes_without_an_answer(self):
        self.control("POST", "faults", {"mode": "hold_open", "timeout": 0.2})
        self.assertEqual(self.raw(get(PICTURE_PATH)), b"")
        entry = self.control("GET", "requests")[1]["requests"][-1]
        self.assertEqual((entry["fault"], entry["status"]), ("hold_open", None))
