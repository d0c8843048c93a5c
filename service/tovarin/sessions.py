"""Signed-in clients, recognised by the session cookie set by the sign-in answer.

The cookie is persistent (it carries an expiry), so WinINet keeps it on disk and
a restarted client is recognised by its first heartbeat while the session lives.
Sessions live in memory: a restarted service has every client signed out,
which the client's heartbeat and sign-in retry handle.
"""

import email.utils
import secrets
import threading
import time

COOKIE_NAME = "TOVARINSID"


COOKIE_LIFETIME = 30 * 24 * 3600  # the session's own time-out ends it sooner when idle


def session_cookie(token, now=None):
    expires = email.utils.formatdate((time.time() if now is None else now) + COOKIE_LIFETIME, usegmt=True)
    return f"{COOKIE_NAME}={token}; Path=/; Max-Age={COOKIE_LIFETIME}; Expires={expires}"


def expired_cookie():
    return f"{COOKIE_NAME}=; Path=/; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT"


class SessionTable:
    def __init__(self, timeout, clock=time.monotonic):
        """timeout: seconds without a request after which a session ends."""
        self._timeout = timeout
        self._clock = clock
        self._lock = threading.Lock()
        self._sessions = {}  # token -> [uid, last seen]

    def create(self, uid):
        token = secrets.token_hex(16)
        with self._lock:
            self._sessions[token] = [uid, self._clock()]
        return token

    def lookup(self, token):
        """The uid of a live session (and renew it), else None."""
        if not token:
            return None
        with self._lock:
            session = self._sessions.get(token)
            if session is None:
                return None
            now = self._clock()
            if now - session[1] > self._timeout:
                del self._sessions[token]
                return None
            session[1] = now
            return session[0]

    def drop(self, token):
        with self._lock:
            return self._sessions.pop(token, None) is not None

    def clear(self):
        with self._lock:
            count = len(self._sessions)
            self._sessions.clear()
            return count

    def __len__(self):
        with self._lock:
            return len(self._sessions)
