"""The service endpoints over HTTP, as the client uses them."""

import base64
import hashlib
import os
import subprocess
import tempfile
import xml.etree.ElementTree as ET

from tovarin.config import ServiceConfig
from tovarin.signing import DEVELOPMENT_KEY, SIGN_WITH_DEVELOPMENT_KEY
from tests.fixture import PASSWORD, PICTURES, ServiceTestCase, error_type

PICTURE_PATH = "/pictures/fengguang/lake.jpg"
LAKE = PICTURES["fengguang"]["lake.jpg"]
PUBLIC_KEY = os.path.join(os.path.dirname(DEVELOPMENT_KEY), "development-only-update-keys.pem")


class ImageListTest(ServiceTestCase):
    def images(self, tags):
        document = self.post_xml("image.php", [("minHeight", "768"), ("minWidth", "1024"),
                                               ("screenHeight", "768"), ("screenWidth", "1024"),
                                               ("tags", tags)])
        listing = document.find("ImageList")
        self.assertIsNotNone(listing, ET.tostring(document))
        return [(int(image.get("pid")), image.get("baseurl"), image.get("file"))
                for image in listing.findall("Image")]

    def test_named_categories_list_pictures_whose_urls_are_served(self):
        images = self.images("dongwu fengguang")
        self.assertEqual(len(images), 3)  # notes.txt is no picture
        self.assertEqual(len({pid for pid, _, _ in images}), 3)
        for pid, baseurl, file in images:
            self.assertGreater(pid, 0)
            self.assertTrue(baseurl.startswith(f"http://127.0.0.1:{self.port}/pictures/"))
            status, _, body = self.request("GET", baseurl[len(f"http://127.0.0.1:{self.port}"):] + file)
            self.assertEqual(status, 200)
            self.assertIn(body, [content for files in PICTURES.values() for content in files.values()])
        self.assertIn("hill%20side.jpg", [file for _, _, file in images])

    def test_sign_in_category_needs_a_session(self):
        self.assertEqual(error_type(self.post_xml("image.php", [("tags", "fengguang xiezhen")])),
                         "NeedLogin")
        self.sign_in()
        self.assertEqual([file for _, _, file in self.images("xiezhen")], ["portrait.jpg"])

    def test_no_tags_lists_what_the_client_may_see(self):
        self.assertNotIn("portrait.jpg", [file for _, _, file in self.images("")])
        self.sign_in()
        self.assertIn("portrait.jpg", [file for _, _, file in self.images("")])

    def test_unknown_and_partner_keys_give_an_empty_list(self):
        self.assertEqual(self.images("Oem_Brellan nosuchkey"), [])

    def test_get_with_a_query_string_is_accepted(self):
        status, _, body = self.request("GET", "/service/viewer/v1.0/image.php?tags=dongwu")
        self.assertEqual(status, 200)
        self.assertEqual(len(ET.fromstring(body).find("ImageList")), 1)


class ListSizeTest(ServiceTestCase):
    def config(self, folder):
        config = super().config(folder)
        config.list_size = 2
        return config

    def test_a_cut_list_takes_from_every_category(self):
        listing = self.post_xml("image.php", [("tags", "dongwu fengguang")]).find("ImageList")
        self.assertEqual(sorted(image.get("baseurl").split("/")[-2] for image in listing),
                         ["dongwu", "fengguang"])


class MissingPicturesTest(ServiceTestCase):
    def config(self, folder):
        return ServiceConfig(port=0, pictures=os.path.join(folder, "absent"), quiet=True)

    def test_a_missing_folder_serves_nothing_and_keeps_running(self):
        self.assertEqual(len(self.post_xml("image.php", [("tags", "")]).find("ImageList")), 0)
        self.assertEqual(self.request("GET", PICTURE_PATH)[0], 404)
        self.assertEqual(self.request("GET", "/upimage/imglist.php")[2], b"")


class PictureTest(ServiceTestCase):
    def test_whole_picture_with_its_length(self):
        status, headers, body = self.request("GET", PICTURE_PATH)
        self.assertEqual((status, body), (200, LAKE))
        self.assertEqual(headers["Content-Length"], str(len(LAKE)))
        self.assertEqual(headers["Content-Type"], "image/jpeg")

    def test_range_as_the_client_writes_it_resumes(self):
        status, headers, body = self.request("GET", PICTURE_PATH, headers={"Range": "bytes= 1000-"})
        self.assertEqual((status, body), (206, LAKE[1000:]))
        self.assertEqual(headers["Content-Range"], f"bytes 1000-{len(LAKE) - 1}/{len(LAKE)}")
        self.assertEqual(headers["Content-Length"], str(len(LAKE) - 1000))

    def test_range_past_the_end_is_refused(self):
        status, headers, _ = self.request("GET", PICTURE_PATH, headers={"Range": f"bytes={len(LAKE)}-"})
        self.assertEqual((status, headers["Content-Range"]), (416, f"bytes */{len(LAKE)}"))

    def test_names_outside_the_folder_are_not_served(self):
        with open(os.path.join(self.folder, "secret.jpg"), "wb") as out:
            out.write(b"secret")
        for path in ["/pictures/fengguang/..%2F..%2Fsecret.jpg", "/pictures/../secret.jpg",
                     "/pictures/..%2Fsecret.jpg/x.jpg", "/pictures/dongwu/notes.txt",
                     "/pictures/fengguang", "/thumbs/fengguang/%2E%2E"]:
            with self.subTest(path=path):
                self.assertEqual(self.request("GET", path)[0], 404)

    def test_thumbnail_falls_back_to_the_picture(self):
        self.assertEqual(self.request("GET", "/thumbs/fengguang/lake.jpg")[2], LAKE)
        os.mkdir(os.path.join(self.folder, "pictures", "fengguang", "thumbs"))
        with open(os.path.join(self.folder, "pictures", "fengguang", "thumbs", "lake.jpg"), "wb") as out:
            out.write(b"small")
        self.assertEqual(self.request("GET", "/thumbs/fengguang/lake.jpg")[2], b"small")

    def test_head_and_post(self):
        status, headers, body = self.request("HEAD", PICTURE_PATH)
        self.assertEqual((status, body, headers["Content-Length"]), (200, b"", str(len(LAKE))))
        self.assertEqual(self.request("POST", PICTURE_PATH, "x=1")[0], 405)


class AccountTest(ServiceTestCase):
    def test_sign_in_answers_the_account_and_sets_a_session(self):
        login = self.sign_in()
        self.assertEqual([child.tag for child in login],
                         ["LoginStatus", "uid", "email", "username", "manage", "Favorites"])
        self.assertEqual(login.findtext("LoginStatus"), "1")
        self.assertEqual(login.findtext("username"), "alice")
        self.assertEqual(login.findtext("email"), "alice@example.org")
        self.assertTrue(self.cookie)
        self.assertEqual(self.post_xml("heartbeat.php").findtext("LoginStatus"), "1")

    def test_wrong_password_fails_and_ends_the_session(self):
        self.sign_in()
        self.assertEqual(error_type(self.sign_in(password="wrong")), "LoginFail")
        self.assertEqual(error_type(self.sign_in(username="nobody")), "LoginFail")
        self.assertEqual(self.post_xml("heartbeat.php").findtext("LoginStatus"), "0")

    def test_user_name_is_not_case_sensitive(self):
        self.assertEqual(self.sign_in(username="ALICE").findtext("username"), "alice")

    def test_sign_out_ends_the_session_even_for_a_kept_cookie(self):
        self.sign_in()
        kept = self.cookie
        logout = self.post_xml("logout.php", root="Response")
        self.assertEqual([child.tag for child in logout], ["LoginStatus"])
        self.assertEqual(logout.findtext("LoginStatus"), "0")
        self.cookie = kept
        self.assertEqual(self.post_xml("heartbeat.php").findtext("LoginStatus"), "0")

    def test_service_side_sign_out_of_every_client(self):
        self.sign_in()
        self.assertEqual(self.control("POST", "sessions/clear")[1], {"removed": 1})
        self.assertEqual(self.post_xml("heartbeat.php").findtext("LoginStatus"), "0")


class FavoritesTest(ServiceTestCase):
    def config(self, folder):
        config = super().config(folder)
        config.max_favorites = 2
        return config

    def setUp(self):
        super().setUp()
        listing = self.post_xml("image.php", [("tags", "dongwu fengguang")]).find("ImageList")
        self.listed = {image.get("pid"): image.get("baseurl") + image.get("file") for image in listing}
        self.pids = sorted(self.listed, key=int)

    def favorite(self, pid, action):
        return self.post_xml("favorites.php", [("action", action), ("pid", pid)], root="Response")

    def test_needs_a_session(self):
        self.assertEqual(error_type(self.favorite(self.pids[0], "add")), "NeedLogin")

    def test_add_lists_the_favourite_with_the_image_list_url(self):
        self.sign_in()
        answer = self.favorite(self.pids[0], "add")
        self.assertEqual(answer.findtext("LoginStatus"), "1")
        (image,) = answer.find("Favorites")
        self.assertEqual(image.get("pid"), self.pids[0])
        self.assertEqual(image.get("url"), self.listed[self.pids[0]])
        self.assertIn("/thumbs/", image.get("thumb"))
        self.assertIn(image.get("pinying"), ("dongwu", "fengguang"))
        self.assertRegex(image.get("timestamp"), r"^\d{14}$")
        self.assertEqual(len(self.favorite(self.pids[0], "add").find("Favorites")), 1)
        self.assertEqual(len(self.sign_in().find("Favorites")), 1)

    def test_delete_and_errors(self):
        self.sign_in()
        self.favorite(self.pids[0], "add")
        self.assertEqual(len(self.favorite(self.pids[0], "del").find("Favorites")), 0)
        self.assertEqual(len(self.favorite(self.pids[1], "del").find("Favorites")), 0)
        for pid in ["999", "0", "-1", "abc", "", "1e3", "99999999999"]:
            with self.subTest(pid=pid):
                self.assertEqual(error_type(self.favorite(pid, "add")), "InvalidPid")
        self.assertEqual(error_type(self.favorite(self.pids[0], "move")), "InvalidAction")

    def test_limit_and_accounts_kept_apart(self):
        self.sign_in()
        self.favorite(self.pids[0], "add")
        self.favorite(self.pids[1], "add")
        self.assertEqual(error_type(self.favorite(self.pids[2], "add")), "TooManyFavorites")
        self.assertEqual(len(self.favorite(self.pids[1], "add").find("Favorites")), 2)
        self.sign_in("bob")
        self.assertEqual(len(self.favorite(self.pids[2], "add").find("Favorites")), 1)


class UpdateTest(ServiceTestCase):
    INSTALLER = b"installer bytes"

    def config(self, folder):
        config = super().config(folder)
        config.installer = os.path.join(folder, "Kestrane Setup.exe")
        with open(config.installer, "wb") as out:
            out.write(self.INSTALLER)
        config.installer_version = "20070411"
        config.installer_description = "Fixes & more"
        config.installer_checksum = getattr(self, "announced_checksum", None)
        config.installer_signature = getattr(self, "signature", None)
        return config

    def test_version_and_installer(self):
        info = self.post_xml("checkupdate.php", root="VersionInfo")
        self.assertEqual(info.findtext("Version"), "20070411")
        self.assertEqual(info.findtext("Description"), "Fixes & more")
        self.assertEqual(info.findtext("File/CheckSum"), hashlib.sha256(self.INSTALLER).hexdigest().upper())
        url = info.findtext("File/Url")
        self.assertTrue(url.endswith("/update/Kestrane%20Setup.exe"), url)
        path = url[len(f"http://127.0.0.1:{self.port}"):]
        self.assertEqual(self.request("GET", path)[2], self.INSTALLER)
        self.assertEqual(self.request("GET", path, headers={"Range": "bytes= 10-"})[2], b"bytes")

    def test_checksum_follows_a_replaced_installer(self):
        with open(self.service.config.installer, "wb") as out:
            out.write(b"a longer new installer")
        self.assertEqual(self.post_xml("checkupdate.php").findtext("File/CheckSum"),
                         hashlib.sha256(b"a longer new installer").hexdigest().upper())

    def test_announced_checksum_replaces_the_digest(self):
        for announced in ("0123456789abcdef", ""):
            with self.subTest(announced=announced):
                self.announced_checksum = announced
                self.start_service()
                info = self.post_xml("checkupdate.php", root="VersionInfo")
                # An empty text is still announced, as an empty element.
                self.assertEqual(info.findtext("File/CheckSum"), announced)
                self.assertTrue(info.findtext("File/Url").endswith("/update/Kestrane%20Setup.exe"))


    def test_signature_given_or_made_with_the_development_key(self):
        self.assertIsNone(self.post_xml("checkupdate.php").find("File/Signature"), "unsigned by default")
        self.signature = "c2lnbmF0dXJl"
        self.start_service()
        self.assertEqual(self.post_xml("checkupdate.php").findtext("File/Signature"), "c2lnbmF0dXJl")
        self.signature = SIGN_WITH_DEVELOPMENT_KEY
        self.start_service()
        path = self.service.config.installer
        for content in (self.INSTALLER, b"a replaced installer"):
            with open(path, "wb") as out:
                out.write(content)
            os.utime(path, ns=(0, len(content)))  # a new stamp even within the clock's resolution
            signature = base64.b64decode(self.post_xml("checkupdate.php").findtext("File/Signature"))
            with tempfile.NamedTemporaryFile() as raw:
                raw.write(signature)
                raw.flush()
                verified = subprocess.run(
                    ["openssl", "dgst", "-sha256", "-verify", PUBLIC_KEY, "-signature", raw.name, path],
                    capture_output=True, timeout=60)
            self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)


class NoUpdateTest(ServiceTestCase):
    def test_without_installer_the_answer_is_empty(self):
        self.assertEqual(len(self.post_xml("checkupdate.php", root="VersionInfo")), 0)


class PartnerListTest(ServiceTestCase):
    def test_open_categories_when_there_is_no_partner_folder(self):
        status, headers, body = self.request("POST", "/upimage/imglist.php")
        self.assertEqual(status, 200)
        self.assertTrue(body.endswith(b"\r\n"))
        lines = body.decode().split("\r\n")[:-1]
        self.assertEqual(len(lines), 3)
        self.assertTrue(all(line.startswith("http://127.0.0.1:") for line in lines))
        self.assertFalse(any("xiezhen" in line for line in lines))

    def test_partner_folder_jpg_only(self):
        partner = os.path.join(self.folder, "pictures", "Oem_Brellan")
        os.mkdir(partner)
        for name in ["one.jpg", "two.JPG", "three.png"]:
            with open(os.path.join(partner, name), "wb") as out:
                out.write(b"x")
        lines = self.request("GET", "/upimage/imglist.php")[2].decode().split("\r\n")[:-1]
        self.assertEqual([line.rsplit("/", 1)[1] for line in lines], ["one.jpg", "two.JPG"])
        self.assertEqual(self.request("GET", lines[0][len(f"http://127.0.0.1:{self.port}"):])[2], b"x")


class RegistrationTest(ServiceTestCase):
    def register(self, **fields):
        return self.request("POST", "/reg.php", fields)

    def test_form_creates_an_account_that_can_sign_in(self):
        status, headers, body = self.request("GET", "/reg.php")
        self.assertEqual(status, 200)
        self.assertIn(b'name="username"', body)
        status, _, body = self.register(username="<carol>", email="c@example.org",
                                        password="p\u00e4ss", password2="p\u00e4ss")
        self.assertEqual(status, 200, body)
        self.assertIn(b"&lt;carol&gt;", body)
        self.assertEqual(self.sign_in("<carol>", "p\u00e4ss").findtext("username"), "<carol>")

    def test_refusals(self):
        cases = [({"username": "alice", "password": "x", "password2": "x"}, 409),
                 ({"username": "dave", "password": "x", "password2": "y"}, 400),
                 ({"username": " ", "password": "x"}, 400),
                 ({"username": "dave"}, 400),
                 ({"username": "d\x01ve", "password": "x"}, 400)]
        for fields, status in cases:
            with self.subTest(fields=fields):
                self.assertEqual(self.register(**fields)[0], status)
        self.assertEqual(error_type(self.sign_in("dave", "x")), "LoginFail")
        self.assertEqual(self.sign_in("alice", PASSWORD).findtext("LoginStatus"), "1")


class PictureIdTest(ServiceTestCase):
    def test_ids_do_not_depend_on_which_list_came_first(self):
        first = self.post_xml("image.php", [("tags", "fengguang")]).find("ImageList")
        self.service.stop()
        self.start_service()  # in-memory database: everything numbered anew
        self.post_xml("image.php", [("tags", "dongwu")])
        again = self.post_xml("image.php", [("tags", "fengguang")]).find("ImageList")
        self.assertEqual([(image.get("pid"), image.get("file")) for image in first],
                         [(image.get("pid"), image.get("file")) for image in again])
