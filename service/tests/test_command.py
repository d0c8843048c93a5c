"""The service started as a command, and the sample-picture script."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import urllib.request
import xml.etree.ElementTree as ET

SERVICE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COMMAND = [sys.executable, os.path.join(SERVICE_DIR, "tovarin_service.py")]


class CommandTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tovarin-command-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)

    def start(self, *options):
        process = subprocess.Popen(COMMAND + ["--port", "0", "--quiet", *options],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(self.finish, process)
        first = process.stdout.readline()
        self.assertRegex(first, r"^listening on 127\.0\.0\.1:\d+\n$")
        return process, int(first.rsplit(":", 1)[1])

    def finish(self, process):
        if process.poll() is None:
            process.kill()
        process.communicate(timeout=30)

    def fetch(self, port, path, data=None):
        with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", data, timeout=30) as answer:
            return answer.read()

    def test_port_zero_ready_file_and_clean_stop(self):
        ready = os.path.join(self.folder, "ready")
        process, port = self.start("--pictures", os.path.join(self.folder, "none"),
                                   "--ready-file", ready, "--user", "amy:pw:amy@example.org")
        with open(ready) as text:
            self.assertEqual(int(text.read()), port)
        self.assertEqual(json.loads(self.fetch(port, "/_control/ping"))["port"], port)
        login = ET.fromstring(self.fetch(
            port, "/service/viewer/v1.0/login.php",
            b"password=1C9F3A1D0D0C8A5A0E4D0A2E7B3E5F6A&username=amy"))
        self.assertEqual(login.find("Error").get("type"), "LoginFail")
        process.send_signal(signal.SIGTERM)
        _, errors = process.communicate(timeout=30)
        self.assertEqual(process.returncode, 0)
        self.assertIn("serving no pictures", errors)

    def test_bad_options_fail_with_a_message(self):
        cases = [(["--fault", "explode"], "unknown fault mode"),
                 (["--installer", os.path.join(self.folder, "missing.exe"),
                   "--installer-version", "20070411"], "not a file"),
                 (["--installer-checksum", "ABC"], "needs --installer"),
                 (["--sign-installer"], "needs --installer"),
                 (["--installer", COMMAND[-1], "--installer-version", "20070411",
                   "--installer-signature", COMMAND[-1]], "not a base64 signature"),
                 (["--user", "nopassword"], "NAME:PASSWORD"),
                 (["--port", "70000"], "port")]
        for options, words in cases:
            with self.subTest(options=options):
                result = subprocess.run(COMMAND + options, capture_output=True, text=True, timeout=60)
                self.assertEqual((result.returncode, result.stdout), (2, ""))
                self.assertIn(words, result.stderr)

    @unittest.skipUnless(shutil.which("convert"), "ImageMagick is not installed")
    def test_sample_pictures_are_served(self):
        pictures = os.path.join(self.folder, "pictures")
        subprocess.run([os.path.join(SERVICE_DIR, "make_sample_pictures.sh"), pictures, "1", "64x36"],
                       check=True, capture_output=True, timeout=300)
        _, port = self.start("--pictures", pictures)
        listing = ET.fromstring(self.fetch(port, "/service/viewer/v1.0/image.php", b"tags=")).find("ImageList")
        self.assertEqual(sorted(image.get("baseurl").split("/")[-2] for image in listing),
                         ["dongman", "dongwu", "fengguang", "qiche", "qita", "renwu", "zhiwu"])
        picture = self.fetch(port, "/thumbs/qiche/qiche-1.jpg")
        self.assertEqual(picture[:2], b"\xff\xd8")  # a JPEG
