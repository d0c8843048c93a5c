"""Accounts, picture ids and favourites, kept in sqlite.

One connection serves every request thread; a lock keeps the statements of
one operation together.
"""

import hashlib
import re
import sqlite3
import threading
import time
from dataclasses import dataclass

SCHEMA_VERSION = 1

SCHEMA = """
CREATE TABLE IF NOT EXISTS accounts (
    uid INTEGER PRIMARY KEY AUTOINCREMENT,
    username TEXT NOT NULL UNIQUE COLLATE NOCASE,
    email TEXT NOT NULL DEFAULT '',
    password_md5 TEXT NOT NULL,
    manage INTEGER NOT NULL DEFAULT 0,
    created TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS pictures (
    pid INTEGER PRIMARY KEY AUTOINCREMENT,
    category TEXT NOT NULL,
    file TEXT NOT NULL,
    UNIQUE (category, file)
);
CREATE TABLE IF NOT EXISTS favorites (
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    uid INTEGER NOT NULL REFERENCES accounts (uid),
    pid INTEGER NOT NULL REFERENCES pictures (pid),
    added TEXT NOT NULL,
    UNIQUE (uid, pid)
);
"""

_DIGEST = re.compile(r"^[0-9A-Fa-f]{32}$")


class StoreError(Exception):
    """The database failed; answered to the client as "DBError"."""


class AccountExists(ValueError):
    pass


class TooManyFavorites(Exception):
    pass


@dataclass(frozen=True)
class Account:
    uid: int
    username: str
    email: str
    manage: bool


@dataclass(frozen=True)
class Favorite:
    pid: int
    category: str
    file: str
    added: str  # YYYYMMDDhhmmss, local time of the service


def password_digest(password):
    """The digest the client sends for a password: MD5 of its UTF-8 bytes,
    32 upper-case hexadecimal digits."""
    return hashlib.md5(password.encode("utf-8")).hexdigest().upper()


def _timestamp(clock):
    return time.strftime("%Y%m%d%H%M%S", time.localtime(clock()))


class Store:
    def __init__(self, path=":memory:", clock=time.time):
        self._lock = threading.Lock()
        self._clock = clock
        try:
            self._db = sqlite3.connect(path, check_same_thread=False)
            self._db.execute("PRAGMA foreign_keys = ON")
            with self._db:
                self._db.executescript(SCHEMA)
                self._db.execute(f"PRAGMA user_version = {SCHEMA_VERSION}")
        except sqlite3.Error as error:
            raise StoreError(f"cannot open the database {path}: {error}") from error

    def close(self):
        with self._lock:
            self._db.close()

    def _run(self, work):
        """Run work(db) in one transaction under the lock; sqlite failures
        become StoreError."""
        with self._lock:
            try:
                with self._db:
                    return work(self._db)
            except sqlite3.Error as error:
                raise StoreError(str(error)) from error

    # Accounts

    def create_account(self, username, password_md5, email="", manage=False):
        username = username.strip()
        if not username:
            raise ValueError("the user name is empty")
        if any(ord(character) < 32 or ord(character) == 127 for character in username + email):
            raise ValueError("the user name and e-mail may not hold control characters")
        if not _DIGEST.match(password_md5 or ""):
            raise ValueError("the password digest must be 32 hexadecimal digits")

        def work(db):
            if db.execute("SELECT 1 FROM accounts WHERE username = ?", (username,)).fetchone():
                raise AccountExists(f"the user name {username!r} is taken")
            cursor = db.execute(
                "INSERT INTO accounts (username, email, password_md5, manage, created)"
                " VALUES (?, ?, ?, ?, ?)",
                (username, email.strip(), password_md5.upper(), int(bool(manage)),
                 _timestamp(self._clock)))
            return cursor.lastrowid
        return self._run(work)

    def set_account(self, username, password_md5, email="", manage=False):
        """Create the account, or give an existing one this password, e-mail
        and manage flag. Returns the uid."""
        try:
            return self.create_account(username, password_md5, email, manage)
        except AccountExists:
            pass

        def work(db):
            db.execute("UPDATE accounts SET password_md5 = ?, email = ?, manage = ?"
                       " WHERE username = ?",
                       (password_md5.upper(), email.strip(), int(bool(manage)), username.strip()))
            return db.execute("SELECT uid FROM accounts WHERE username = ?",
                              (username.strip(),)).fetchone()[0]
        return self._run(work)

    def check_login(self, username, password_md5):
        """The account when the digest matches, otherwise None."""
        username = (username or "").strip()
        digest = (password_md5 or "").strip().upper()
        if not username or not _DIGEST.match(digest):
            return None
        row = self._run(lambda db: db.execute(
            "SELECT uid, username, email, manage, password_md5 FROM accounts WHERE username = ?",
            (username,)).fetchone())
        if row is None or row[4] != digest:
            return None
        return Account(row[0], row[1], row[2], bool(row[3]))

    def account(self, uid):
        row = self._run(lambda db: db.execute(
            "SELECT uid, username, email, manage FROM accounts WHERE uid = ?", (uid,)).fetchone())
        return None if row is None else Account(row[0], row[1], row[2], bool(row[3]))

    # Picture ids

    def pids_for(self, pictures):
        """Stable ids for (category, file) pairs: a picture keeps the id it got
        when first listed, for as long as the database is kept."""
        pictures = list(pictures)

        def work(db):
            db.executemany("INSERT OR IGNORE INTO pictures (category, file) VALUES (?, ?)", pictures)
            return [db.execute("SELECT pid FROM pictures WHERE category = ? AND file = ?",
                               picture).fetchone()[0] for picture in pictures]
        return self._run(work) if pictures else []

    def picture(self, pid):
        """(category, file) of a known pid, or None."""
        row = self._run(lambda db: db.execute(
            "SELECT category, file FROM pictures WHERE pid = ?", (pid,)).fetchone())
        return None if row is None else (row[0], row[1])

    # Favourites

    def favorites(self, uid):
        rows = self._run(lambda db: db.execute(
            "SELECT f.pid, p.category, p.file, f.added FROM favorites f"
            " JOIN pictures p ON p.pid = f.pid WHERE f.uid = ? ORDER BY f.seq", (uid,)).fetchall())
        return [Favorite(*row) for row in rows]

    def add_favorite(self, uid, pid, limit):
        """Add pid to the account's favourites; adding one already held
        changes nothing. Raises TooManyFavorites when limit are held."""
        def work(db):
            if db.execute("SELECT 1 FROM favorites WHERE uid = ? AND pid = ?", (uid, pid)).fetchone():
                return False
            held = db.execute("SELECT COUNT(*) FROM favorites WHERE uid = ?", (uid,)).fetchone()[0]
            if held >= limit:
                raise TooManyFavorites()
            db.execute("INSERT INTO favorites (uid, pid, added) VALUES (?, ?, ?)",
                       (uid, pid, _timestamp(self._clock)))
            return True
        return self._run(work)

    def remove_favorite(self, uid, pid):
        """Remove pid from the account's favourites; True when it was held."""
        return self._run(lambda db: db.execute(
            "DELETE FROM favorites WHERE uid = ? AND pid = ?", (uid, pid)).rowcount > 0)
