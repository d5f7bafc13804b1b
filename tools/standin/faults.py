"""Ways of answering badly, switchable per path.

Each kind is one function registered in FAULT_KINDS with the parameters it
accepts and their defaults; adding a kind means adding one decorated function.
A delivery function gets the normal reply the path would have had and returns
whether the connection may be used for another request.
"""

import socket
import struct
from dataclasses import dataclass, field

from .httpio import Reply, build_head, reply_headers


@dataclass
class FaultKind:
    name: str
    defaults: dict
    deliver: object
    doc: str = ""


FAULT_KINDS = {}


def fault_kind(name, **defaults):
    def register(func):
        FAULT_KINDS[name] = FaultKind(name, defaults, func, (func.__doc__ or "").strip())
        return func
    return register


@dataclass
class Fault:
    kind: str
    params: dict = field(default_factory=dict)
    times: int = None          # requests left to spoil; None: every request

    def to_dict(self):
        return {"kind": self.kind, "params": {k: _jsonable(v) for k, v in self.params.items()},
                "times": self.times}


def _jsonable(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else value


def make_fault(kind, params):
    """Validates and completes the parameters of a fault; raises ValueError."""
    known = FAULT_KINDS.get(kind)
    if known is None:
        raise ValueError("unknown fault kind %r (known: %s)" % (kind, ", ".join(sorted(FAULT_KINDS))))
    params = dict(params)
    times = params.pop("times", None)
    if times is not None and (not _is_number(times) or int(times) != times or times < 1):
        raise ValueError("times must be a positive whole number")
    unknown = set(params) - set(known.defaults)
    if unknown:
        raise ValueError("fault %r takes no parameter %s" % (kind, ", ".join(sorted(unknown))))
    merged = dict(known.defaults)
    for key, value in params.items():
        merged[key] = _check_param(kind, key, value, known.defaults[key])
    return Fault(kind, merged, None if times is None else int(times))


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _check_param(kind, key, value, default):
    if key == "body":
        if isinstance(value, str):
            return value.encode("utf-8")
        if isinstance(value, (bytes, bytearray)):
            return bytes(value)
        raise ValueError("%s.body must be text or bytes" % kind)
    if isinstance(default, str):
        if not isinstance(value, str) or any(c in value for c in "\r\n"):
            raise ValueError("%s.%s must be text on one line" % (kind, key))
        return value
    if isinstance(default, bool):
        if not isinstance(value, bool):
            raise ValueError("%s.%s must be true or false" % (kind, key))
        return value
    if value is None and default is None:
        return None
    if not _is_number(value) or value < 0:
        raise ValueError("%s.%s must be a non-negative number" % (kind, key))
    if key == "code" and not 100 <= value <= 999:
        raise ValueError("status.code must be between 100 and 999")
    return value


class Delivery:
    """What a fault needs of the connection it spoils."""

    def __init__(self, sock, send_body, keep_alive, stop_event):
        self.sock = sock
        self.send_body = send_body      # False for HEAD
        self.keep_alive = keep_alive
        self.stop_event = stop_event    # set when the service stops: cut every wait

    def send(self, data):
        self.sock.sendall(data)

    def wait(self, seconds):
        """Sleeps, returning False when the service is stopping."""
        return not self.stop_event.wait(seconds) if seconds > 0 else not self.stop_event.is_set()


def _status_reply(code, body, content_type="text/html; charset=utf-8"):
    return Reply(code, body, content_type)


def _send_whole(conn, reply):
    conn.send(build_head(reply.status, reply_headers(reply, conn.keep_alive)))
    if conn.send_body and reply.body:
        conn.send(reply.body)
    return conn.keep_alive


@fault_kind("404", body=b"<html><body><h1>404 Not Found</h1></body></html>")
def _not_found(conn, reply, p):
    """404 with a small body, whatever the path holds."""
    return _send_whole(conn, _status_reply(404, p["body"]))


@fault_kind("500", body=b"<html><body><h1>500 Internal Server Error</h1></body></html>")
def _server_error(conn, reply, p):
    """500 with Content-Length and a body."""
    return _send_whole(conn, _status_reply(500, p["body"]))


@fault_kind("status", code=503, body=b"stand-in fault")
def _any_status(conn, reply, p):
    """Any status code with a body and Content-Length."""
    return _send_whole(conn, _status_reply(int(p["code"]), p["body"], "text/plain; charset=utf-8"))


@fault_kind("no_length")
def _no_length(conn, reply, p):
    """The normal reply without Content-Length; the body ends when the connection closes."""
    conn.send(build_head(reply.status, reply_headers(reply, False, length=False)))
    if conn.send_body:
        conn.send(reply.body)
    return False


@fault_kind("short_body", sent=None, declared=None)
def _short_body(conn, reply, p):
    """Announces `declared` bytes (default: the body's length), sends only `sent`
    (default: one fewer), then closes."""
    body = reply.body
    declared = len(body) if p["declared"] is None else int(p["declared"])
    declared = max(declared, 1)  # an empty body cannot be cut shorter: announce one byte
    sent = declared - 1 if p["sent"] is None else int(p["sent"])
    sent = max(0, min(sent, declared - 1))
    data = (body + b"\0" * declared)[:sent]  # pad when `declared` exceeds the real body
    conn.send(build_head(reply.status, reply_headers(reply, False, declared=declared)))
    if conn.send_body:
        conn.send(data)
    return False


@fault_kind("drop", reset=False)
def _drop(conn, reply, p):
    """Closes the connection without a byte of reply; `reset` aborts it (RST)."""
    if p["reset"]:
        conn.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.sock.close()  # before any orderly shutdown could send a FIN
    return False


@fault_kind("slow", delay=1.0, chunk=0, interval=0.0)
def _slow(conn, reply, p):
    """Waits `delay` seconds before the head; with `chunk` > 0 the body goes out in
    pieces of that many bytes with `interval` seconds between them."""
    if not conn.wait(float(p["delay"])):
        return False
    conn.send(build_head(reply.status, reply_headers(reply, conn.keep_alive)))
    if not conn.send_body:
        return conn.keep_alive
    chunk = int(p["chunk"])
    if chunk <= 0:
        conn.send(reply.body)
        return conn.keep_alive
    for offset in range(0, len(reply.body), chunk):
        if offset and not conn.wait(float(p["interval"])):
            return False
        conn.send(reply.body[offset:offset + chunk])
    return conn.keep_alive


@fault_kind("trickle", every=1.0, bytes=1)
def _trickle(conn, reply, p):
    """The head at once, then the body `bytes` at a time, one piece every `every`
    seconds: a line that is never silent long enough to time out."""
    conn.send(build_head(reply.status, reply_headers(reply, conn.keep_alive)))
    if not conn.send_body:
        return conn.keep_alive
    step = max(1, int(p["bytes"]))
    for offset in range(0, len(reply.body), step):
        if not conn.wait(float(p["every"])):
            return False
        conn.send(reply.body[offset:offset + step])
    return conn.keep_alive


@fault_kind("stall", sent=None)
def _stall(conn, reply, p):
    """A reply that never ends: nothing at all, or (with `sent`) the head announcing the
    whole body and the first `sent` bytes of it; then silence until the service stops."""
    if p["sent"] is not None:
        conn.send(build_head(reply.status, reply_headers(reply, False)))
        if conn.send_body:
            conn.send(reply.body[:int(p["sent"])])
    while conn.wait(3600):
        pass
    return False


@fault_kind("redirect", to="", code=302)
def _redirect(conn, reply, p):
    """A redirect (`code`, one of 301 302 303 307 308) to the address `to`."""
    code = int(p["code"])
    if code not in (301, 302, 303, 307, 308):
        code = 302
    redirect = Reply(code, b"", "text/html; charset=utf-8", headers=[("Location", p["to"])])
    return _send_whole(conn, redirect)
