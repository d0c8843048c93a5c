"""The recent requests, kept so that client tests can check what was sent."""

import collections
import itertools
import threading
import time


class RequestLog:
    def __init__(self, capacity=500):
        self._lock = threading.Lock()
        self._entries = collections.deque(maxlen=max(1, capacity))
        self._seq = itertools.count(1)

    def record(self, method, path, query, form_body, form, headers):
        """Add a request; returns its entry, which the caller completes later
        with note()."""
        header_pairs = list(headers.items())
        entry = {
            "seq": None,
            "time": time.time(),
            "method": method,
            "path": path,
            "query": query,
            "body": form_body,
            "form": [list(pair) for pair in form],
            "headers": header_pairs,
            "range": headers.get("Range"),
            "cookie": headers.get("Cookie"),
            "content_type": headers.get("Content-Type"),
            "fault": None,
            "status": None,
        }
        with self._lock:
            entry["seq"] = next(self._seq)
            self._entries.append(entry)
        return entry

    def note(self, entry, **values):
        with self._lock:
            entry.update(values)

    def snapshot(self, path=None, since=0):
        with self._lock:
            return [dict(entry) for entry in self._entries
                    if entry["seq"] > since and (path is None or entry["path"] == path)]

    def clear(self):
        with self._lock:
            count = len(self._entries)
            self._entries.clear()
            return count
