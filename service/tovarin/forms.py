"""Decoding of what clients send: url-encoded forms, query strings and cookies."""

from urllib.parse import unquote_to_bytes


def parse_form(data):
    """Decode an application/x-www-form-urlencoded body (bytes or str) into
    (name, value) pairs in the order sent.

    Works on bytes so that raw and percent-escaped UTF-8 decode the same way.
    Blank values are kept (the client always sends "oem=" even when it has
    none), empty pieces such as the trailing "&" are skipped, and bytes that
    are not UTF-8 become U+FFFD rather than failing the whole request.
    """
    if isinstance(data, str):
        data = data.encode("utf-8")
    pairs = []
    for piece in data.split(b"&"):
        if not piece:
            continue
        name, _, value = piece.partition(b"=")
        pairs.append((_decode(name), _decode(value)))
    return pairs


def _decode(raw):
    return unquote_to_bytes(raw.replace(b"+", b" ")).decode("utf-8", errors="replace")


def fields_of(pairs):
    """Field lookup where a field given twice keeps its later value."""
    return dict(pairs)


def parse_cookies(header):
    """Parse a Cookie header into a dict; malformed pieces are skipped and the
    first of two cookies with the same name wins."""
    cookies = {}
    if not header:
        return cookies
    for piece in header.split(";"):
        name, sep, value = piece.strip().partition("=")
        name = name.strip()
        if not sep or not name:
            continue
        value = value.strip()
        if len(value) >= 2 and value[0] == value[-1] == '"':
            value = value[1:-1]
        cookies.setdefault(name, value)
    return cookies
