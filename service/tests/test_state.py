"""Accounts, picture ids, favourites, sessions and the fault board."""

import os
import shutil
import tempfile
import unittest

from tovarin.faults import FaultBoard, make_fault, parse_fault_option
from tovarin.sessions import SessionTable
from tovarin.store import Store, StoreError, TooManyFavorites, password_digest

SECRET = "5EBE2294ECD0E0F08EAB7690D2A6EE69"  # MD5 of "secret"


class AccountTest(unittest.TestCase):
    def test_digest_is_upper_case_md5_of_utf8(self):
        self.assertEqual(password_digest("secret"), SECRET)
        self.assertEqual(password_digest("\u5bc6\u7801"), "A8105204604A0B11E916F3879AAE3B0B")

    def test_accounts_given_at_start_replace_the_password(self):
        store = Store()
        self.addCleanup(store.close)
        uid = store.create_account(" Alice ", SECRET, manage=True)
        self.assertEqual(store.set_account("alice", password_digest("new")), uid)
        self.assertIsNone(store.check_login("alice", SECRET))
        account = store.check_login("ALICE", password_digest("new").lower())
        self.assertEqual((account.uid, account.username, account.manage), (uid, "Alice", False))


class PictureIdTest(unittest.TestCase):
    def test_ids_kept_in_the_database_file(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        path = os.path.join(folder, "db.sqlite3")
        store = Store(path)
        first = store.pids_for([("qiche", "a.jpg"), ("qiche", "b.jpg")])
        store.close()
        store = Store(path)
        self.addCleanup(store.close)
        self.assertEqual(store.pids_for([("zhiwu", "a.jpg"), ("qiche", "b.jpg"), ("qiche", "a.jpg")]),
                         [first[1] + 1, first[1], first[0]])
        self.assertEqual(store.picture(first[1]), ("qiche", "b.jpg"))
        self.assertIsNone(store.picture(999))


class FavoriteTest(unittest.TestCase):
    def setUp(self):
        self.store = Store(clock=lambda: 1176249600.0)
        self.addCleanup(self.store.close)
        self.uid = self.store.create_account("alice", SECRET)
        self.pids = self.store.pids_for([("qiche", f"{n}.jpg") for n in range(3)])

    def test_add_remove_limit(self):
        self.assertTrue(self.store.add_favorite(self.uid, self.pids[1], limit=2))
        self.assertFalse(self.store.add_favorite(self.uid, self.pids[1], limit=2))
        self.store.add_favorite(self.uid, self.pids[0], limit=2)
        with self.assertRaises(TooManyFavorites):
            self.store.add_favorite(self.uid, self.pids[2], limit=2)
        favorites = self.store.favorites(self.uid)
        self.assertEqual([f.pid for f in favorites], [self.pids[1], self.pids[0]])  # order added
        self.assertEqual((favorites[0].category, favorites[0].file), ("qiche", "1.jpg"))
        self.assertRegex(favorites[0].added, r"^2007041\d{7}$")
        self.assertTrue(self.store.remove_favorite(self.uid, self.pids[1]))
        self.assertFalse(self.store.remove_favorite(self.uid, self.pids[1]))

    def test_database_failure_is_a_store_error(self):
        self.store.close()
        with self.assertRaises(StoreError):
            self.store.add_favorite(self.uid, self.pids[0], limit=5)


class SessionTest(unittest.TestCase):
    def test_expiry_renewal_and_drop(self):
        now = [0.0]
        sessions = SessionTable(timeout=100, clock=lambda: now[0])
        token, other = sessions.create(7), sessions.create(8)
        self.assertNotEqual(token, other)
        now[0] = 90
        self.assertEqual(sessions.lookup(token), 7)  # renewed at 90
        now[0] = 150
        self.assertEqual(sessions.lookup(token), 7)
        self.assertIsNone(sessions.lookup(other))  # idle since 0
        self.assertTrue(sessions.drop(token))
        self.assertIsNone(sessions.lookup(token))
        self.assertIsNone(sessions.lookup(""))


class FaultSpecTest(unittest.TestCase):
    def test_defaults_and_command_line_form(self):
        fault = parse_fault_option("trickle, path=/pictures/*, bytes=16, count=2")
        self.assertEqual((fault.mode, fault.path, fault.count, fault.params),
                         ("trickle", "/pictures/*", 2, {"bytes": 16, "interval": 0.05}))
        self.assertEqual(parse_fault_option("error_type,type=").params, {"type": None})
        self.assertEqual(make_fault({"mode": "error_type"}).params, {"type": "NeedLogin"})

    def test_refusals_name_the_problem(self):
        cases = {"explode": "unknown fault mode", "status,code=600": "status code",
                 "status,count=0": "count", "hold_open,timeout=61": "hold_open timeout",
                 "trickle,bytes=0": "trickle bytes", "status,speed=1": "takes no speed",
                 "status,path=pictures": "path", "status,code": "key=value",
                 "status,code=true": "status code"}
        for text, words in cases.items():
            with self.subTest(text=text):
                with self.assertRaisesRegex(ValueError, words):
                    parse_fault_option(text)
        with self.assertRaises(ValueError):
            make_fault({"mode": "status", "code": True})


class FaultBoardTest(unittest.TestCase):
    def test_first_matching_fault_until_used_up(self):
        board = FaultBoard()
        board.add({"mode": "status", "path": "/a", "count": 1})
        board.add({"mode": "trickle", "path": "/a*"})
        board.add({"mode": "ignore_range"})
        self.assertEqual([board.take(path).mode for path in ["/a", "/a", "/ab", "/b"]],
                         ["status", "trickle", "trickle", "ignore_range"])
        self.assertEqual(board.clear(), 2)
        self.assertIsNone(board.take("/a"))

    def test_holds_end_at_timeout_or_shutdown(self):
        board = FaultBoard()
        self.assertFalse(board.hold(0.01))
        board.close()
        self.assertFalse(board.hold(60))  # at once, not after a minute
