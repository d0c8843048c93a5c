"""The service endpoints: what each answers, given the request and the state."""

import hashlib
import os
import threading
from urllib.parse import unquote

from . import protocol
from .signing import SIGN_WITH_DEVELOPMENT_KEY, sign_file
from .forms import parse_cookies
from .messages import Reply, XML_TYPE, TEXT_TYPE, text_reply
from .pictures import PARTNER_CATEGORY, PictureLibrary, content_type_of, url_segment
from .sessions import COOKIE_NAME, expired_cookie, session_cookie
from .store import StoreError, TooManyFavorites

IMAGE_LIST_PATH = "/service/viewer/v1.0/image.php"
CHECK_UPDATE_PATH = "/service/viewer/v1.0/checkupdate.php"
LOGIN_PATH = "/service/viewer/v1.0/login.php"
LOGOUT_PATH = "/service/viewer/v1.0/logout.php"
HEARTBEAT_PATH = "/service/viewer/v1.0/heartbeat.php"
FAVORITES_PATH = "/service/viewer/v1.0/favorites.php"
PARTNER_LIST_PATH = "/upimage/imglist.php"
REGISTRATION_PATH = "/reg.php"
PICTURES_PREFIX = "/pictures/"
THUMBS_PREFIX = "/thumbs/"
UPDATE_PREFIX = "/update/"

# Root element of each XML endpoint's answer (also used for injected errors).
XML_ROOTS = {
    IMAGE_LIST_PATH: protocol.RESPONSE_ROOT,
    CHECK_UPDATE_PATH: protocol.VERSION_ROOT,
    LOGIN_PATH: protocol.LOGIN_ROOT,
    LOGOUT_PATH: protocol.RESPONSE_ROOT,
    HEARTBEAT_PATH: protocol.RESPONSE_ROOT,
    FAVORITES_PATH: protocol.RESPONSE_ROOT,
}

MAX_PID = 2 ** 31 - 1


def root_for(path):
    return XML_ROOTS.get(path, protocol.RESPONSE_ROOT)


def _xml(body, headers=()):
    return Reply(body=body, content_type=XML_TYPE,
                 headers=[("Cache-Control", "no-cache")] + list(headers))


def _parse_pid(text):
    text = (text or "").strip()
    if not text.isascii() or not text.isdigit():
        return None
    pid = int(text)
    return pid if 0 < pid <= MAX_PID else None


class Installer:
    """The installer offered by the update check; its checksum is the
    upper-case SHA-256 hex digest, worked out again when the file changes,
    unless a fixed text is announced instead (to test the client's refusal).
    Its signature is a given text, None for an unsigned installer, or
    SIGN_WITH_DEVELOPMENT_KEY to sign the file as it is now."""

    def __init__(self, path, version, description, announced_checksum=None, signature=None):
        self.path = os.fspath(path)
        self.name = os.path.basename(self.path)
        self.version = version
        self.description = description
        self.announced_checksum = announced_checksum
        self._signature = signature
        self._lock = threading.Lock()
        self._stamp = None
        self._checksum = None
        self._made_signature = None

    def _refresh(self):
        """Digest (and sign) the file again when it changed; raises OSError when it is gone."""
        stat = os.stat(self.path)
        stamp = (stat.st_mtime_ns, stat.st_size)
        if stamp != self._stamp:
            digest = hashlib.sha256()
            with open(self.path, "rb") as data:
                for chunk in iter(lambda: data.read(1 << 20), b""):
                    digest.update(chunk)
            made = sign_file(self.path) if self._signature is SIGN_WITH_DEVELOPMENT_KEY else None
            self._stamp, self._checksum, self._made_signature = stamp, digest.hexdigest().upper(), made

    def checksum(self):
        with self._lock:
            self._refresh()
            return self._checksum if self.announced_checksum is None else self.announced_checksum

    def signature(self):
        with self._lock:
            self._refresh()
            return self._made_signature if self._signature is SIGN_WITH_DEVELOPMENT_KEY else self._signature


class WallpaperService:
    def __init__(self, config, store, sessions, base_url):
        self.config = config
        self.store = store
        self.sessions = sessions
        self.base_url = base_url.rstrip("/")
        self.library = PictureLibrary(config.pictures)
        self.login_categories = frozenset(config.login_categories)
        self.installer = None
        if config.installer:
            self.installer = Installer(config.installer, config.installer_version,
                                       config.installer_description, config.installer_checksum,
                                       config.installer_signature)
        # Number every picture present at start in folder order, so that even
        # an in-memory database gives the same ids to the same folder.
        self.store.pids_for([(key, name) for key in self.library.categories()
                             for name in self.library.files(key)])
        self._xml_endpoints = {
            IMAGE_LIST_PATH: self.image_list,
            CHECK_UPDATE_PATH: self.check_update,
            LOGIN_PATH: self.login,
            LOGOUT_PATH: self.logout,
            HEARTBEAT_PATH: self.heartbeat,
            FAVORITES_PATH: self.favorites,
        }

    # Dispatch

    def answer(self, request):
        """The reply to a service request; None when the path is not the
        service's (registration and control pages are answered elsewhere)."""
        path = request.path
        if path in self._xml_endpoints:
            if request.method not in ("GET", "POST", "HEAD"):
                return _not_allowed("GET, POST")
            try:
                return self._xml_endpoints[path](request)
            except StoreError:
                return self._error(root_for(path), protocol.DB_ERROR)
        if path == PARTNER_LIST_PATH:
            if request.method not in ("GET", "POST", "HEAD"):
                return _not_allowed("GET, POST")
            return self.partner_list(request)
        for prefix, serve in ((PICTURES_PREFIX, self.picture), (THUMBS_PREFIX, self.thumbnail),
                              (UPDATE_PREFIX, self.installer_file)):
            if path.startswith(prefix):
                if request.method not in ("GET", "HEAD"):
                    return _not_allowed("GET")
                return serve(path[len(prefix):])
        if path == "/":
            return self.index()
        return None

    # Sign-in state

    def session_token(self, request):
        return parse_cookies(request.headers.get("Cookie")).get(COOKIE_NAME)

    def signed_in(self, request):
        """The account of the request's live session, else None."""
        uid = self.sessions.lookup(self.session_token(request))
        return None if uid is None else self.store.account(uid)

    def _favorite_views(self, account):
        return [protocol.FavoriteView(
                    pid=favorite.pid,
                    url=self.picture_url(favorite.category, favorite.file),
                    thumb=self._url(THUMBS_PREFIX, favorite.category, favorite.file),
                    pinying=favorite.category, timestamp=favorite.added)
                for favorite in self.store.favorites(account.uid)]

    def _state_answer(self, root, account, headers=()):
        views = self._favorite_views(account) if account else ()
        return _xml(protocol.signin_answer(root, account, views), headers)

    def _error(self, root, error_type, headers=()):
        return _xml(protocol.error_answer(root, error_type), headers)

    # URLs

    def _url(self, prefix, category, name):
        return f"{self.base_url}{prefix}{url_segment(category)}/{url_segment(name)}"

    def picture_base_url(self, category):
        return f"{self.base_url}{PICTURES_PREFIX}{url_segment(category)}/"

    def picture_url(self, category, name):
        return self.picture_base_url(category) + url_segment(name)

    # XML endpoints

    def image_list(self, request):
        account = self.signed_in(request)
        # The partner's pictures come from the partner list, not from here.
        available = [key for key in self.library.categories() if key != PARTNER_CATEGORY]
        tags = set(request.fields.get("tags", "").split()) - {"All"}
        if tags:
            if account is None and tags & self.login_categories:
                return self._error(protocol.RESPONSE_ROOT, protocol.NEED_LOGIN)
            wanted = [key for key in available if key in tags]
        else:
            # No category named: everything the client may see.
            wanted = [key for key in available
                      if account is not None or key not in self.login_categories]
        chosen = _interleave([[(key, name) for name in self.library.files(key)] for key in wanted])
        if self.config.list_size > 0:
            chosen = chosen[:self.config.list_size]
        pids = self.store.pids_for(chosen)
        images = [protocol.ListedImage(pid, self.picture_base_url(key), url_segment(name))
                  for pid, (key, name) in zip(pids, chosen)]
        return _xml(protocol.image_list_answer(images))

    def login(self, request):
        fields = request.fields
        account = self.store.check_login(fields.get("username"), fields.get("password"))
        old_token = self.session_token(request)
        if old_token:
            self.sessions.drop(old_token)
        if account is None:
            return self._error(protocol.LOGIN_ROOT, protocol.LOGIN_FAIL)
        token = self.sessions.create(account.uid)
        return self._state_answer(protocol.LOGIN_ROOT, account,
                                  [("Set-Cookie", session_cookie(token))])

    def logout(self, request):
        token = self.session_token(request)
        if token:
            self.sessions.drop(token)
        return self._state_answer(protocol.RESPONSE_ROOT, None, [("Set-Cookie", expired_cookie())])

    def heartbeat(self, request):
        return self._state_answer(protocol.RESPONSE_ROOT, self.signed_in(request))

    def favorites(self, request):
        root = protocol.RESPONSE_ROOT
        account = self.signed_in(request)
        if account is None:
            return self._error(root, protocol.NEED_LOGIN)
        fields = request.fields
        pid = _parse_pid(fields.get("pid"))
        action = fields.get("action", "").strip().lower()
        picture = self.store.picture(pid) if pid is not None else None
        if picture is None:
            return self._error(root, protocol.INVALID_PID)
        if action == "add":
            if self.library.path_of(*picture) is None:
                return self._error(root, protocol.INVALID_PID)  # no longer served
            try:
                self.store.add_favorite(account.uid, pid, self.config.max_favorites)
            except TooManyFavorites:
                return self._error(root, protocol.TOO_MANY_FAVORITES)
        elif action == "del":
            self.store.remove_favorite(account.uid, pid)
        else:
            return self._error(root, protocol.INVALID_ACTION)
        return self._state_answer(root, account)

    def check_update(self, request):
        installer = self.installer
        if installer is None:
            return _xml(protocol.version_answer())
        try:
            checksum, signature = installer.checksum(), installer.signature()
        except OSError:
            # The installer went away (or could not be signed): offer the version without a file.
            return _xml(protocol.version_answer(installer.version, installer.description))
        url = f"{self.base_url}{UPDATE_PREFIX}{url_segment(installer.name)}"
        return _xml(protocol.version_answer(installer.version, installer.description, url, checksum, signature))

    # Plain endpoints

    def partner_list(self, request):
        if PARTNER_CATEGORY in self.library.categories():
            keys = [PARTNER_CATEGORY]
        else:
            keys = [key for key in self.library.categories() if key not in self.login_categories]
        urls = [self.picture_url(key, name) for key in keys for name in self.library.files(key)
                if name.lower().endswith(".jpg")]
        text = "".join(url + "\r\n" for url in urls)
        return Reply(body=text.encode("utf-8"), content_type=TEXT_TYPE,
                     headers=[("Cache-Control", "no-cache")])

    def _file_reply(self, path):
        if path is None:
            return text_reply(404, "No such picture")
        try:
            with open(path, "rb") as data:
                body = data.read()
        except OSError:
            return text_reply(404, "No such picture")
        return Reply(body=body, content_type=content_type_of(path))

    def picture(self, rest):
        parts = _split_two(rest)
        return self._file_reply(parts and self.library.path_of(*parts))

    def thumbnail(self, rest):
        parts = _split_two(rest)
        return self._file_reply(parts and self.library.thumb_path_of(*parts))

    def installer_file(self, rest):
        if self.installer is None or unquote(rest) != self.installer.name:
            return text_reply(404, "No such file")
        try:
            with open(self.installer.path, "rb") as data:
                body = data.read()
        except OSError:
            return text_reply(404, "No such file")
        return Reply(body=body, content_type="application/octet-stream")

    def index(self):
        lines = ["Tovarin wallpaper service", "",
                 *sorted(self._xml_endpoints), PARTNER_LIST_PATH, REGISTRATION_PATH,
                 PICTURES_PREFIX + "<category>/<file>", "",
                 "categories: " + " ".join(self.library.categories())]
        return text_reply(200, "\n".join(lines))


def _not_allowed(allow):
    reply = text_reply(405, "Method not allowed")
    reply.headers.append(("Allow", allow))
    return reply


def _split_two(rest):
    """'<category>/<file>' with both parts percent-decoded, or None."""
    pieces = rest.split("/")
    if len(pieces) != 2:
        return None
    category, name = (unquote(piece, errors="replace") for piece in pieces)
    if not category or not name or "/" in name:
        return None
    return category, name


def _interleave(groups):
    """First of every group, then the second of every group, and so on, so a
    cut list still has every category in it."""
    result = []
    for index in range(max((len(group) for group in groups), default=0)):
        result.extend(group[index] for group in groups if index < len(group))
    return result
