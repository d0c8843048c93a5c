"""Putting an answer on the wire: Range requests, Content-Length, and the
fault modes that change how the body is delivered."""

import re
import threading


UNSATISFIABLE = "unsatisfiable"

# The client writes "bytes= N-" (a blank after "="); blanks are allowed anywhere.
_RANGE = re.compile(r"^\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*$", re.IGNORECASE)


def parse_range(header, length):
    """(first, last) byte positions, inclusive, for a single-range header;
    UNSATISFIABLE when it starts at or past the end; None when the header is
    absent, malformed or asks for several ranges (the whole body is sent)."""
    if not header:
        return None
    match = _RANGE.match(header)
    if not match:
        return None
    first, last = match.group(1), match.group(2)
    if first:
        first = int(first)
        if last and int(last) < first:
            return None
        if first >= length:
            return UNSATISFIABLE
        return first, min(int(last), length - 1) if last else length - 1
    if not last:
        return None
    suffix = int(last)
    if suffix == 0 or length == 0:
        return UNSATISFIABLE
    return max(0, length - suffix), length - 1


def send_reply(handler, reply, fault=None, stop=None, on_status=None):
    """Write reply through a BaseHTTPRequestHandler, honouring Range and the
    delivery faults (ignore_range, close_early, long_length, no_length, trickle).
    on_status learns the status before the client can see it. Returns the status sent."""
    stop = stop or threading.Event()
    mode = fault.mode if fault else None
    params = fault.params if fault else {}
    body = reply.body
    # long_length: behave as if the body had `extra` more bytes that never come.
    total = len(body) + (params["extra"] if mode == "long_length" else 0)
    status = reply.status
    headers = [("Content-Type", reply.content_type)]
    first, last = 0, total - 1

    if reply.ranged and status == 200:
        headers.append(("Accept-Ranges", "bytes"))
        wanted = None if mode == "ignore_range" else parse_range(handler.headers.get("Range"), total)
        if wanted == UNSATISFIABLE:
            status, first, last = 416, 0, -1
            headers.append(("Content-Range", f"bytes */{total}"))
        elif wanted is not None:
            status, (first, last) = 206, wanted
            headers.append(("Content-Range", f"bytes {first}-{last}/{total}"))

    announced = last - first + 1
    payload = body[first:last + 1]
    if mode == "close_early":
        payload = payload[:params["bytes"] if params.get("bytes") is not None else len(payload) // 2]
    closing = reply.close or mode in ("close_early", "long_length", "no_length")

    if on_status:
        on_status(status)
    handler.send_response(status)
    for name, value in headers + list(reply.headers):
        handler.send_header(name, value)
    # no_length: the body ends when the connection closes, as with HTTP/1.0 servers.
    if mode != "no_length":
        handler.send_header("Content-Length", str(announced))
    if reply.close or mode == "no_length":
        handler.send_header("Connection", "close")
    handler.end_headers()
    if closing:
        handler.close_connection = True
    if handler.command == "HEAD":
        return status
    if mode == "trickle":
        step, interval = params["bytes"], params["interval"]
        for start in range(0, len(payload), step):
            if start and stop.wait(interval):
                handler.close_connection = True  # shutting down
                return status
            handler.wfile.write(payload[start:start + step])
            handler.wfile.flush()
    else:
        handler.wfile.write(payload)
    handler.wfile.flush()
    return status
