"""The XML answers of the service endpoints.

Answers are small UTF-8 documents with a declaration. Sign-in, update and
the other endpoints have these roots:

    login.php        <Login>        sign-in state children
    logout.php, heartbeat.php, favorites.php
                     <Response>     sign-in state children
    image.php        <Response>     <ImageList> with <Image pid baseurl file/>
    checkupdate.php  <VersionInfo>  Version, Description, File/Url, File/CheckSum, File/Signature

An error is <Error type="..."/> as the only child of the root.
"""

import xml.etree.ElementTree as ET
from dataclasses import dataclass

LOGIN_ROOT = "Login"
VERSION_ROOT = "VersionInfo"
RESPONSE_ROOT = "Response"

NEED_LOGIN = "NeedLogin"
LOGIN_FAIL = "LoginFail"
INVALID_PID = "InvalidPid"
DB_ERROR = "DBError"
TOO_MANY_FAVORITES = "TooManyFavorites"
# Not one the client knows; it reports it as a server error naming the type.
INVALID_ACTION = "InvalidAction"


@dataclass(frozen=True)
class ListedImage:
    pid: int
    baseurl: str
    file: str


@dataclass(frozen=True)
class FavoriteView:
    pid: int
    url: str
    thumb: str
    pinying: str  # the category key
    timestamp: str


DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>\n'


def document(root):
    ET.indent(root)
    return (DECLARATION + ET.tostring(root, encoding="unicode") + "\n").encode("utf-8")


def _text_child(parent, name, text):
    ET.SubElement(parent, name).text = str(text)


def _signin_state(root, account, favorites):
    if account is None:
        _text_child(root, "LoginStatus", 0)
        return
    _text_child(root, "LoginStatus", 1)
    _text_child(root, "uid", account.uid)
    _text_child(root, "email", account.email)
    _text_child(root, "username", account.username)
    _text_child(root, "manage", 1 if account.manage else 0)
    element = ET.SubElement(root, "Favorites")
    for favorite in favorites:
        ET.SubElement(element, "Image", {
            "pid": str(favorite.pid), "url": favorite.url, "thumb": favorite.thumb,
            "pinying": favorite.pinying, "timestamp": favorite.timestamp})


def signin_answer(root_name, account, favorites=()):
    """Sign-in state: LoginStatus 0 when account is None, else 1 with the
    account's children and its favourites."""
    root = ET.Element(root_name)
    _signin_state(root, account, favorites)
    return document(root)


def error_answer(root_name, error_type):
    """<Root><Error type="..."/></Root>; error_type None leaves the attribute out."""
    root = ET.Element(root_name)
    error = ET.SubElement(root, "Error")
    if error_type is not None:
        error.set("type", error_type)
    return document(root)


def image_list_answer(images):
    root = ET.Element(RESPONSE_ROOT)
    listing = ET.SubElement(root, "ImageList")
    for image in images:
        ET.SubElement(listing, "Image", {
            "pid": str(image.pid), "baseurl": image.baseurl, "file": image.file})
    return document(root)


def version_answer(version=None, description=None, url=None, checksum=None, signature=None):
    """VersionInfo; parts given as None are left out."""
    root = ET.Element(VERSION_ROOT)
    if version is not None:
        _text_child(root, "Version", version)
    if description is not None:
        _text_child(root, "Description", description)
    if url is not None or checksum is not None:
        file_element = ET.SubElement(root, "File")
        if url is not None:
            _text_child(file_element, "Url", url)
        if checksum is not None:
            _text_child(file_element, "CheckSum", checksum)
        if signature is not None:
            _text_child(file_element, "Signature", signature)
    return document(root)


def malformed_answer(root_name):
    """A document that no XML parser accepts: the root is never closed and a
    child's end tag does not match."""
    return (f'{DECLARATION}<{root_name}>\n  <LoginStatus>1</Status>\n').encode("utf-8")
