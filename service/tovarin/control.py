"""Control endpoints for tests, answered only to loopback peers.

    GET    /_control/ping             {"ok": true, "port": N}
    GET    /_control/faults           faults in force and how many requests are held
    POST   /_control/faults           add a fault (JSON object) or several (JSON list)
    DELETE /_control/faults           remove every fault (also POST /_control/faults/clear)
    POST   /_control/release          answer every request held by hold_open
    GET    /_control/requests         recent requests; ?path=/x and ?since=SEQ narrow it
    DELETE /_control/requests         forget them (also POST /_control/requests/clear)
    POST   /_control/sessions/clear   sign every client out
    POST   /_control/users            {"username", "password" or "password_md5", "email", "manage"}
    POST   /_control/installer        offer an installer: {"version", "description", "checksum"
                                      (announced instead of the file's SHA-256), "signature" (a
                                      base64 text) or "sign": true (signed with the development
                                      key), and "path" (a file of this machine) or "name" and
                                      "content" (a text)}
    DELETE /_control/installer        offer none
"""

import ipaddress
import json
import os
import shutil
import tempfile

from .endpoints import Installer
from .faults import make_fault
from .messages import JSON_TYPE, Reply
from .signing import SIGN_WITH_DEVELOPMENT_KEY
from .store import AccountExists, StoreError, password_digest

PREFIX = "/_control/"


def is_loopback(address):
    try:
        return ipaddress.ip_address(address.split("%")[0]).is_loopback
    except ValueError:
        return False


def _json(status, value):
    return Reply(status=status, body=(json.dumps(value, ensure_ascii=False) + "\n").encode("utf-8"),
                 content_type=JSON_TYPE, headers=[("Cache-Control", "no-cache")], ranged=False)


def _error(status, message):
    return _json(status, {"error": message})


def _read_json(request):
    if not request.body.strip():
        raise ValueError("the body is empty; expected JSON")
    try:
        return json.loads(request.body.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        raise ValueError(f"the body is not JSON: {error}") from None


class Control:
    def __init__(self, faults, log, sessions, store, port, service):
        self.service = service
        self._installer_folder = None  # for installers given as content
        self.faults = faults
        self.log = log
        self.sessions = sessions
        self.store = store
        self.port = port
        self._routes = {
            ("GET", "ping"): self.ping,
            ("GET", "faults"): self.list_faults,
            ("POST", "faults"): self.add_faults,
            ("DELETE", "faults"): self.clear_faults,
            ("POST", "faults/clear"): self.clear_faults,
            ("POST", "release"): self.release,
            ("GET", "requests"): self.requests,
            ("DELETE", "requests"): self.clear_requests,
            ("POST", "requests/clear"): self.clear_requests,
            ("POST", "sessions/clear"): self.clear_sessions,
            ("POST", "users"): self.add_user,
            ("POST", "installer"): self.offer_installer,
            ("DELETE", "installer"): self.withdraw_installer,
        }

    def answer(self, request):
        if not is_loopback(request.client):
            return _error(403, "control endpoints answer loopback peers only")
        name = request.path[len(PREFIX):].rstrip("/")
        route = self._routes.get((request.method, name))
        if route is None:
            if any(key == name for _, key in self._routes):
                return _error(405, f"{request.method} is not used with {request.path}")
            return _error(404, f"no control endpoint {request.path}")
        try:
            return route(request)
        except ValueError as error:
            return _error(400, str(error))

    def ping(self, request):
        return _json(200, {"ok": True, "port": self.port})

    def list_faults(self, request):
        return _json(200, {"faults": self.faults.list(), "held": self.faults.held()})

    def add_faults(self, request):
        requested = _read_json(request)
        requested = requested if isinstance(requested, list) else [requested]
        made = [make_fault(description) for description in requested]  # all valid, or none added
        for fault in made:
            self.faults.add(fault)
        return _json(200, {"faults": [fault.to_json() for fault in made]})

    def clear_faults(self, request):
        return _json(200, {"removed": self.faults.clear()})

    def release(self, request):
        return _json(200, {"released": self.faults.release()})

    def requests(self, request):
        query = dict(request.query)
        since = query.get("since", "0")
        if not since.isdigit():
            raise ValueError("since must be a request number")
        entries = self.log.snapshot(path=query.get("path"), since=int(since))
        return _json(200, {"requests": entries})

    def clear_requests(self, request):
        return _json(200, {"removed": self.log.clear()})

    def clear_sessions(self, request):
        return _json(200, {"removed": self.sessions.clear()})

    def add_user(self, request):
        account = _read_json(request)
        if not isinstance(account, dict) or not isinstance(account.get("username"), str):
            raise ValueError("expected {\"username\": ..., \"password\": ...}")
        if isinstance(account.get("password"), str):
            digest = password_digest(account["password"])
        elif isinstance(account.get("password_md5"), str):
            digest = account["password_md5"]
        else:
            raise ValueError("give \"password\" or \"password_md5\"")
        email = account.get("email", "")
        if not isinstance(email, str):
            raise ValueError("email must be a text")
        try:
            uid = self.store.create_account(account["username"], digest, email,
                                            bool(account.get("manage")))
        except AccountExists as error:
            return _error(409, str(error))
        except StoreError as error:
            return _error(503, str(error))
        return _json(200, {"uid": uid, "username": account["username"].strip()})

    def offer_installer(self, request):
        offer = _read_json(request)
        if not isinstance(offer, dict) or not isinstance(offer.get("version"), str):
            raise ValueError("expected {\"version\": ..., \"path\": ...} or \"name\" and \"content\"")
        for key in ("description", "checksum", "signature", "path", "name", "content"):
            if offer.get(key) is not None and not isinstance(offer[key], str):
                raise ValueError(f"{key} must be a text")
        if offer.get("sign") not in (None, True, False) or (offer.get("sign") and offer.get("signature") is not None):
            raise ValueError("\"sign\" is true or false, and not given with \"signature\"")
        signature = SIGN_WITH_DEVELOPMENT_KEY if offer.get("sign") else offer.get("signature")
        if offer.get("path") is not None:
            path = offer["path"]
            if not os.path.isfile(path):
                raise ValueError(f"{path} is not a file")
        else:
            name = offer.get("name") or ""
            if not name or os.path.basename(name) != name or name in (".", ".."):
                raise ValueError("give \"path\", or a plain file \"name\" with \"content\"")
            if self._installer_folder is None:
                self._installer_folder = tempfile.mkdtemp(prefix="tovarin-installer-")
            path = os.path.join(self._installer_folder, name)
            with open(path, "wb") as out:
                out.write((offer.get("content") or "").encode("utf-8"))
        self.service.installer = Installer(path, offer["version"], offer.get("description") or "",
                                           offer.get("checksum"), signature)
        return _json(200, {"version": offer["version"], "name": os.path.basename(path)})

    def withdraw_installer(self, request):
        self.service.installer = None
        return _json(200, {"removed": True})

    def close(self):
        if self._installer_folder is not None:
            shutil.rmtree(self._installer_folder, ignore_errors=True)
