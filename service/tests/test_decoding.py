"""Decoding what clients send: forms, cookies, Range headers."""

import unittest

from tovarin.forms import fields_of, parse_cookies, parse_form
from tovarin.transfer import UNSATISFIABLE, parse_range


class FormTest(unittest.TestCase):
    def test_client_encoding(self):
        # Names in ascending order, "+" for blanks, upper-case escapes of UTF-8, a trailing "&".
        pairs = parse_form(b"a=a+b%26c&oem=&tags=%E9%A3%8E%E5%85%89+qiche&version=20070411&")
        self.assertEqual(pairs, [("a", "a b&c"), ("oem", ""), ("tags", "\u98ce\u5149 qiche"),
                                 ("version", "20070411")])

    def test_lenient_decoding(self):
        self.assertEqual(parse_form(b"x=%ff%2&&flag&=v&y=\xe9\xa3\x8e"),
                         [("x", "\ufffd%2"), ("flag", ""), ("", "v"), ("y", "\u98ce")])
        self.assertEqual(parse_form(""), [])

    def test_later_field_wins(self):
        self.assertEqual(fields_of(parse_form("pid=1&pid=2"))["pid"], "2")


class CookieTest(unittest.TestCase):
    def test_pieces(self):
        self.assertEqual(parse_cookies('a=1; TOVARINSID="x y"; junk; =3; a=2;b = 4'),
                         {"a": "1", "TOVARINSID": "x y", "b": "4"})
        self.assertEqual(parse_cookies(None), {})


class RangeTest(unittest.TestCase):
    def test_ranges(self):
        cases = {
            "bytes= 100-": (100, 999),   # as the client writes it
            "bytes=100-": (100, 999),
            "Bytes = 0 - 9": (0, 9),
            "bytes=990-5000": (990, 999),
            "bytes=-10": (990, 999),
            "bytes=-5000": (0, 999),
            "bytes=999-": (999, 999),
            "bytes=1000-": UNSATISFIABLE,
            "bytes=5000-6000": UNSATISFIABLE,
            "bytes=-0": UNSATISFIABLE,
            "bytes=9-5": None,
            "bytes=0-1,5-6": None,
            "items=0-": None,
            "bytes=-": None,
            "bytes=x-": None,
            "": None,
        }
        for header, expected in cases.items():
            with self.subTest(header=header):
                self.assertEqual(parse_range(header, 1000), expected)

    def test_empty_body(self):
        self.assertEqual(parse_range("bytes=0-", 0), UNSATISFIABLE)
