"""Fault modes: deliberate misbehaviour that tests switch on to see how the
client copes with a broken service or network.

A fault is a dict such as {"mode": "trickle", "path": "/pictures/*",
"count": 2, "bytes": 16, "interval": 0.05}:

    mode    one of MODES below
    path    exact request path, or a prefix ending in "*"; absent: every path
    count   how many requests it applies to before it goes; absent: no limit

Parameters of each mode (all optional):

    ignore_range   -                 answer 200 with the whole body despite Range
    close_early    bytes             send that many body bytes (default half), then close
    long_length    extra             pretend the body is `extra` bytes (default 1000)
                                     longer: announce it, send what exists, close
    status         code              answer this status (default 500) instead
    trickle        bytes, interval   send `bytes` (default 64) every `interval`
                                     seconds (default 0.05)
    malformed_xml  -                 answer a document that is not well-formed XML
    error_type     type              answer <Error type="..."/> under the endpoint's
                                     root (default "NeedLogin"; null or an empty
                                     value on the command line leaves "type" out)
    hold_open      timeout           hold the request unanswered until released or
                                     `timeout` seconds (default and maximum 60) pass;
                                     released: answered normally; timed out: closed
    drop           -                 close the connection without a word, as a service
                                     that went away mid-way or a broken network does
    web_page       -                 answer 200 with an HTML page, as a network's sign-in
                                     page or a proxy does in the service's place

Faults are taken in the order they were added; the first that matches a
request is used for it.
"""

import itertools
import threading
import time
from dataclasses import dataclass, field

MAX_HOLD_SECONDS = 60.0
MAX_TRICKLE_INTERVAL = 5.0


def _integer(low, high=None):
    def convert(value):
        if isinstance(value, bool):
            raise ValueError("expected a whole number")
        number = int(value) if isinstance(value, int) else int(str(value).strip(), 10)
        if number < low or (high is not None and number > high):
            limit = f"{low}..{high}" if high is not None else f"at least {low}"
            raise ValueError(f"{number} is out of range ({limit})")
        return number
    return convert


def _seconds(low_exclusive, high):
    def convert(value):
        if isinstance(value, bool):
            raise ValueError("expected a number of seconds")
        number = float(value)
        if not (low_exclusive < number <= high):
            raise ValueError(f"{number} is out of range (above {low_exclusive}, up to {high})")
        return number
    return convert


def _error_type(value):
    if value is None or value == "":
        return None
    if not isinstance(value, str):
        raise ValueError("expected a text")
    return value


# mode -> {parameter: (converter, default)}
MODES = {
    "ignore_range": {},
    "close_early": {"bytes": (_integer(0), None)},
    "long_length": {"extra": (_integer(1), 1000)},
    "no_length": {},
    "status": {"code": (_integer(100, 599), 500)},
    "trickle": {"bytes": (_integer(1), 64),
                "interval": (_seconds(0.0, MAX_TRICKLE_INTERVAL), 0.05)},
    "malformed_xml": {},
    "error_type": {"type": (_error_type, "NeedLogin")},
    "hold_open": {"timeout": (_seconds(0.0, MAX_HOLD_SECONDS), MAX_HOLD_SECONDS)},
    "drop": {},
    "web_page": {},
}

_ids = itertools.count(1)


@dataclass
class Fault:
    mode: str
    path: str = None
    count: int = None
    params: dict = field(default_factory=dict)
    id: int = field(default_factory=lambda: next(_ids))

    def matches(self, path):
        if self.path is None:
            return True
        if self.path.endswith("*"):
            return path.startswith(self.path[:-1])
        return path == self.path

    def to_json(self):
        return {"id": self.id, "mode": self.mode, "path": self.path, "count": self.count,
                **self.params}


def make_fault(description):
    """Validate a fault dict; raises ValueError naming what is wrong."""
    if not isinstance(description, dict):
        raise ValueError("a fault is an object with a \"mode\"")
    mode = description.get("mode")
    if mode not in MODES:
        raise ValueError(f"unknown fault mode {mode!r}; known: {', '.join(sorted(MODES))}")
    allowed = MODES[mode]
    unknown = set(description) - {"mode", "path", "count"} - set(allowed)
    if unknown:
        raise ValueError(f"{mode} takes no {', '.join(sorted(unknown))}")
    path = description.get("path")
    if path is not None and (not isinstance(path, str) or not path.startswith("/")):
        raise ValueError("path must start with \"/\"")
    count = description.get("count")
    if count is not None:
        try:
            count = _integer(1)(count)
        except (TypeError, ValueError) as error:
            raise ValueError(f"count: {error}") from None
    params = {}
    for name, (convert, default) in allowed.items():
        if name in description:
            try:
                params[name] = convert(description[name])
            except (TypeError, ValueError) as error:
                raise ValueError(f"{mode} {name}: {error}") from None
        elif default is not None:
            params[name] = default
    return Fault(mode=mode, path=path, count=count, params=params)


def parse_fault_option(text):
    """Command-line form: MODE[,key=value...], e.g.
    "trickle,path=/pictures/*,bytes=16,interval=0.1"."""
    pieces = [piece.strip() for piece in text.split(",")]
    description = {"mode": pieces[0]}
    for piece in pieces[1:]:
        key, sep, value = piece.partition("=")
        if not sep or not key.strip():
            raise ValueError(f"expected key=value, got {piece!r}")
        description[key.strip()] = value.strip()
    return make_fault(description)


class FaultBoard:
    """The faults in force, and the requests held open by hold_open."""

    def __init__(self):
        self._lock = threading.Lock()
        self._faults = []
        self._held_cond = threading.Condition()
        self._held = 0
        self._release_generation = 0
        self._closing = False

    def add(self, description):
        fault = description if isinstance(description, Fault) else make_fault(description)
        with self._lock:
            self._faults.append(fault)
        return fault

    def take(self, path):
        """The first fault for path, counted as used; None when there is none."""
        with self._lock:
            for fault in self._faults:
                if fault.matches(path):
                    if fault.count is not None:
                        fault.count -= 1
                        if fault.count == 0:
                            self._faults.remove(fault)
                    return fault
        return None

    def list(self):
        with self._lock:
            return [fault.to_json() for fault in self._faults]

    def clear(self):
        with self._lock:
            count = len(self._faults)
            self._faults.clear()
            return count

    # hold_open

    def hold(self, timeout):
        """Block until release() or timeout; True when released."""
        deadline = time.monotonic() + timeout
        with self._held_cond:
            generation = self._release_generation
            self._held += 1
            try:
                while generation == self._release_generation:
                    if self._closing:
                        return False
                    remaining = deadline - time.monotonic()
                    if remaining <= 0:
                        return False
                    self._held_cond.wait(remaining)
                return True
            finally:
                self._held -= 1

    def held(self):
        with self._held_cond:
            return self._held

    def release(self):
        """Let every held request go on; returns how many there were."""
        with self._held_cond:
            count = self._held
            self._release_generation += 1
            self._held_cond.notify_all()
            return count

    def close(self):
        """Service shutting down: held requests end without an answer."""
        with self._held_cond:
            self._closing = True
            self._held_cond.notify_all()
