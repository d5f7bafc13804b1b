"""The stand-in platform service: a loopback HTTP/1.1 server for the launcher's tests.

Use in-process:

    with StandInService(root_dir=None) as svc:
        svc.set_fault("/notice/zelqa7.txt", "short_body")
        ... run the launcher against svc.base_url ...
        pings = svc.requests()
"""

import mimetypes
import os
import re
import socket
import socketserver
import sys
import threading
import time
from dataclasses import asdict, dataclass, field

from . import control, formats, pages
from .faults import Delivery, FAULT_KINDS, make_fault
from .httpio import (Reply, build_head, content_length, normalize_key, read_head,
                     reply_headers)

HOST = "127.0.0.1"
CONTROL_PREFIX = "/__ctl/"
IDLE_TIMEOUT = 30.0          # seconds a kept-alive connection may sit unused
STOP_GRACE = 2.0             # seconds stop() waits for connections to wind up
LINGER = 1.0                 # seconds a closing connection drains the client's input
_HOST_HEADER = re.compile(r"^[A-Za-z0-9.-]+(:\d{1,5})?$")


@dataclass
class RecordedRequest:
    seq: int
    time: float
    client: str
    request_line: str
    header_lines: list
    raw_head: str            # latin-1 text of every byte up to and including the blank line
    method: str
    target: str
    version: str
    path: str                # escapes decoded
    query: str               # as sent
    params: dict             # query parameters, name -> list of values
    body_length: int = 0
    error: str = None        # why the request was refused, when it was
    fault: str = None        # the fault kind that answered it, when one did

    def header(self, name, default=None):
        lname = name.lower()
        for line in self.header_lines:
            key, colon, value = line.partition(":")
            if colon and key.lower() == lname:
                return value.strip(" \t")
        return default

    def to_dict(self):
        return asdict(self)


@dataclass
class _StoredFile:
    data: bytes
    content_type: str


def guess_type(path):
    if path.lower().endswith((".htm", ".html")):
        return "text/html"
    return mimetypes.guess_type(path)[0] or "application/octet-stream"


class _Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, service, port):
        self.service = service
        super().__init__((HOST, port), _Handler)

    def handle_error(self, request, client_address):
        # one line instead of a traceback per broken client; the server carries on
        exc = sys.exc_info()[1]
        if not self.service.quiet:
            print("standin: error serving %s: %r" % (client_address, exc), file=sys.stderr)


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        service = self.server.service
        sock = self.request
        sock.settimeout(IDLE_TIMEOUT)
        service._connection_opened(sock)
        rfile = sock.makefile("rb")
        try:
            while not service._stopping.is_set() and self._one_request(service, sock, rfile):
                pass
        except (OSError, ValueError):
            pass  # peer went away, timed out, or stop() shut the socket
        finally:
            rfile.close()
            service._connection_closed(sock)

    def _one_request(self, service, sock, rfile):
        head = read_head(rfile)
        if head is None:
            return False
        client = "%s:%d" % self.client_address[:2]
        body = b""
        if head.error is None and content_length(head):
            if "100-continue" in head.header_tokens("Expect"):
                sock.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
            body = rfile.read(content_length(head))
            if len(body) < content_length(head):
                head.fail(None, "connection closed inside the request body")

        if head.error is None and service.control and head.path.startswith(CONTROL_PREFIX):
            reply = control.handle(service, head, body)
            keep = head.keep_alive() and not service._stopping.is_set()
            _send(sock, reply, keep, head.method != "HEAD")
            return keep

        fault = service._take_fault(head) if head.error is None else None
        service._record(head, client, len(body), fault.kind if fault else None)

        if head.error is not None:
            if head.status is not None:
                _send(sock, Reply(head.status, (head.error + "\n").encode()), False, True)
            return False
        keep = head.keep_alive()
        if head.method not in ("GET", "HEAD"):
            reply = Reply(405, b"only GET and HEAD\n", headers=[("Allow", "GET, HEAD")])
        else:
            reply = service._resolve(head)
        if fault is not None:
            conn = Delivery(sock, head.method != "HEAD", keep, service._stopping)
            return FAULT_KINDS[fault.kind].deliver(conn, reply, fault.params)
        _send(sock, reply, keep, head.method != "HEAD")
        return keep


def _lingering_close(sock):
    """Half-closes and drains what the client still sends: closing a socket with unread
    input makes the kernel send a reset, which can destroy a reply still in flight."""
    try:
        sock.shutdown(socket.SHUT_WR)
        deadline = time.monotonic() + LINGER
        while time.monotonic() < deadline:
            sock.settimeout(max(0.01, deadline - time.monotonic()))
            if not sock.recv(65536):
                break
    except OSError:
        pass


def _send(sock, reply, keep_alive, send_body):
    data = build_head(reply.status, reply_headers(reply, keep_alive))
    sock.sendall(data + reply.body if send_body else data)


class StandInService:
    """The platform on 127.0.0.1: pages, published files, faults and a request log."""

    def __init__(self, root_dir=None, port=0, record_file=None, control=False, quiet=True):
        self.root_dir = os.path.realpath(root_dir) if root_dir else None
        self.control = control
        self.quiet = quiet
        self._wanted_port = port
        self._record_file = record_file
        self._lock = threading.Lock()
        self._changed = threading.Condition(self._lock)
        self._files = {}
        self._faults = {}
        self._records = []
        self._seq = 0
        self._connections = set()
        self._stopping = threading.Event()
        self._server = None
        self._thread = None
        self.port = None
        self.on_shutdown_request = None   # called for POST /__ctl/shutdown; default stop()

    # -- life cycle -------------------------------------------------------
    def start(self):
        if self._server is not None:
            raise RuntimeError("the service was already started")
        self._server = _Server(self, self._wanted_port)
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"poll_interval": 0.1},
                                        name="standin-%d" % self.port, daemon=True)
        self._thread.start()
        return self

    def stop(self):
        if self._server is None or self._stopping.is_set():
            return
        self._stopping.set()
        self._server.shutdown()
        self._server.server_close()
        with self._lock:
            for sock in list(self._connections):
                try:
                    sock.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
            self._changed.wait_for(lambda: not self._connections, timeout=STOP_GRACE)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def host(self):
        return HOST

    @property
    def base_url(self):
        return "http://%s:%d" % (HOST, self.port)

    def url(self, path):
        return self.base_url + path

    # -- recorded requests ------------------------------------------------
    def requests(self):
        with self._lock:
            return list(self._records)

    def clear_requests(self):
        with self._lock:
            self._records.clear()

    def wait_for_requests(self, path=None, count=1, timeout=5.0):
        """Waits until `count` requests (for `path`, when given) have arrived; returns them
        (possibly fewer on time-out)."""
        match = lambda r: path is None or r.path == path
        with self._lock:
            self._changed.wait_for(lambda: sum(map(match, self._records)) >= count, timeout)
            return [r for r in self._records if match(r)]

    def _record(self, head, client, body_length, fault_kind):
        with self._lock:
            self._seq += 1
            rec = RecordedRequest(
                seq=self._seq, time=time.time(), client=client,
                request_line=head.request_line, header_lines=list(head.header_lines),
                raw_head=head.raw.decode("latin-1"), method=head.method, target=head.target,
                version=head.version, path=head.path, query=head.query, params=head.params,
                body_length=body_length, error=head.error, fault=fault_kind)
            self._records.append(rec)
            if self._record_file:
                try:
                    control.append_json_line(self._record_file, rec.to_dict())
                except OSError as exc:  # a broken log must not break the replies
                    print("standin: cannot append to %s: %s" % (self._record_file, exc),
                          file=sys.stderr)
            self._changed.notify_all()
        if not self.quiet:
            print("standin: %s %s%s" % (client, head.request_line,
                                        " [%s]" % fault_kind if fault_kind else ""), file=sys.stderr)

    # -- published content ------------------------------------------------
    def put_file(self, url_path, data, content_type=None):
        if isinstance(data, str):
            data = data.encode("utf-8")
        key = normalize_key(url_path)
        with self._lock:
            self._files[key] = _StoredFile(bytes(data), content_type or guess_type(key))

    def remove_file(self, url_path):
        with self._lock:
            return self._files.pop(normalize_key(url_path), None) is not None

    def set_update_config(self, exe, upd_addr, tag=formats.PRODUCT_TAG,
                          version=None, key=None, serve_exe_at=None, encoding="gbk"):
        """Publishes "/update/Config<tag>.htm" naming `exe` (bytes or a path) as the current
        release, under its own release number (its version resource) unless `version` is
        given; `key` overrides the computed version key. Returns the key published."""
        data = formats.exe_bytes(exe)
        if key is None:
            key = formats.make_version_key(data, version)
        text = formats.update_config_text(key, upd_addr, tag)
        self.put_file(formats.config_path(tag), text.encode(encoding), "text/html")
        if serve_exe_at:
            self.put_file(serve_exe_at, data, "application/octet-stream")
        return key

    def set_notice(self, line_text, encoding="gbk", picture=None, picture_path=None):
        """Publishes the notice line in the players' ANSI code page, and its picture."""
        self.put_file(formats.NOTICE_PATH, line_text.encode(encoding),
                      "text/plain; charset=%s" % encoding)
        if picture is not None:
            self.put_file(picture_path or "/notice/zelqa7.jpg", picture, "image/jpeg")

    # -- faults -----------------------------------------------------------
    def set_fault(self, url_path, kind, **params):
        """Spoils every reply for `url_path` (a key with '?' matches that exact target)."""
        fault = make_fault(kind, params)
        with self._lock:
            self._faults[normalize_key(url_path)] = fault
        return fault

    def clear_faults(self, url_path=None):
        with self._lock:
            if url_path is None:
                self._faults.clear()
            else:
                self._faults.pop(normalize_key(url_path), None)

    def faults(self):
        with self._lock:
            return {k: f.to_dict() for k, f in self._faults.items()}

    def _take_fault(self, head):
        target = head.path + ("?" + head.query if head.query else "")
        with self._lock:
            for key in (target, head.path):
                fault = self._faults.get(key)
                if fault is None:
                    continue
                if fault.times is not None:
                    fault.times -= 1
                    if fault.times <= 0:
                        del self._faults[key]
                return fault
        return None

    # -- routing ----------------------------------------------------------
    def _resolve(self, head):
        path = head.path
        with self._lock:
            stored = self._files.get(path)
        if stored is not None:
            return Reply(200, stored.data, stored.content_type)
        from_root = self._root_file(path)
        if from_root is not None:
            return from_root
        built = pages.builtin_reply(path, head.params, self._page_host(head))
        if built is not None:
            return built
        return Reply(404, b"<html><body><h1>404 Not Found</h1></body></html>",
                     "text/html; charset=utf-8")

    def _root_file(self, path):
        if not self.root_dir or "\0" in path or "\\" in path:
            return None
        parts = [p for p in path.split("/") if p]
        if not parts or any(p in (".", "..") for p in parts):
            return None
        full = os.path.realpath(os.path.join(self.root_dir, *parts))
        if os.path.commonpath([full, self.root_dir]) != self.root_dir or not os.path.isfile(full):
            return None
        try:
            with open(full, "rb") as f:
                return Reply(200, f.read(), guess_type(full))
        except OSError:
            return None

    def _page_host(self, head):
        host = head.header("Host") or ""
        return host if _HOST_HEADER.match(host) else "%s:%d" % (HOST, self.port)

    # -- connections --------------------------------------------------------
    def _connection_opened(self, sock):
        with self._lock:
            self._connections.add(sock)

    def _connection_closed(self, sock):
        _lingering_close(sock)
        with self._lock:
            self._connections.discard(sock)
            self._changed.notify_all()
