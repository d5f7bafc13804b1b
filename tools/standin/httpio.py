"""Byte-exact reading of HTTP/1.1 request heads and writing of replies.

The launcher's own client and the browser control are what we are testing,
so a request is kept exactly as it arrived (lines, spacing, order) and a
malformed one is answered with a fixed error status instead of an exception.
"""

import email.utils
import re
from dataclasses import dataclass, field
from urllib.parse import parse_qs, unquote, unquote_to_bytes

MAX_LINE = 8192
MAX_HEADERS = 100
MAX_BODY = 64 * 1024 * 1024  # control uploads may carry an executable
LEADING_BLANK_LINES = 8      # tolerated before a request line, as clients may send them

_TOKEN = re.compile(r"^[!#$%&'*+.^_`|~0-9A-Za-z-]+$")
_VERSION = re.compile(r"^HTTP/(\d)\.(\d)$")

REASONS = {
    100: "Continue", 200: "OK", 204: "No Content", 301: "Moved Permanently", 302: "Found",
    303: "See Other", 307: "Temporary Redirect", 308: "Permanent Redirect", 400: "Bad Request",
    404: "Not Found", 405: "Method Not Allowed", 411: "Length Required",
    413: "Content Too Large", 414: "URI Too Long",
    431: "Request Header Fields Too Large", 500: "Internal Server Error",
    501: "Not Implemented", 502: "Bad Gateway", 503: "Service Unavailable",
    505: "HTTP Version Not Supported",
}


@dataclass
class RequestHead:
    """One request head as received; `error`/`status` are set when it is unusable."""

    request_line: str                      # latin-1 text, line end removed
    header_lines: list = field(default_factory=list)
    raw: bytes = b""                       # every byte up to and including the blank line
    method: str = ""
    target: str = ""
    version: str = ""
    raw_path: str = ""                     # path part of the target, escapes kept
    query: str = ""
    headers: list = field(default_factory=list)   # (name, value) pairs in order
    error: str = None
    status: int = None                     # reply status for an error; None: just close

    def header(self, name, default=None):
        lname = name.lower()
        for key, value in self.headers:
            if key.lower() == lname:
                return value
        return default

    def header_tokens(self, name):
        value = self.header(name) or ""
        return {t.strip().lower() for t in value.split(",") if t.strip()}

    @property
    def path(self):
        """The path with escapes decoded as UTF-8; what routing and keys use."""
        return decode_path(self.raw_path)

    @property
    def params(self):
        try:
            return parse_qs(self.query, keep_blank_values=True, errors="replace")
        except ValueError:
            return {}

    def keep_alive(self):
        tokens = self.header_tokens("Connection")
        if self.version == "HTTP/1.0":
            return "keep-alive" in tokens
        return "close" not in tokens

    def fail(self, status, error):
        self.status, self.error = status, error
        return self


def decode_path(raw_path):
    """Percent-decodes a path received on the wire (latin-1 text) into UTF-8 text."""
    data = unquote_to_bytes(raw_path.encode("latin-1", "replace"))
    return data.decode("utf-8", "replace")


def normalize_key(url_path):
    """Turns a caller-given URL path into the form `RequestHead.path` has."""
    if not isinstance(url_path, str) or not url_path.startswith("/"):
        raise ValueError("URL path must be text beginning with '/': %r" % (url_path,))
    path, sep, query = url_path.partition("?")
    return unquote(path, errors="replace") + sep + query


def _strip_eol(line):
    if line.endswith(b"\r\n"):
        return line[:-2]
    if line.endswith(b"\n"):
        return line[:-1]
    return line


def _split_target(head):
    target = head.target
    if target.lower().startswith(("http://", "https://")):
        # absolute form, as sent through a proxy: keep only path and query
        rest = target.split("://", 1)[1]
        slash = rest.find("/")
        target = rest[slash:] if slash >= 0 else "/"
    elif not target.startswith("/"):
        return head.fail(400, "request target is neither a path nor an absolute address")
    path, _, query = target.partition("?")
    path = path.split("#", 1)[0]
    head.raw_path, head.query = path, query
    return head


def read_head(rfile):
    """Reads one request head; None when the peer closed before a whole request line."""
    raw = bytearray()
    line = b""
    for _ in range(LEADING_BLANK_LINES + 1):
        line = rfile.readline(MAX_LINE + 1)
        raw += line
        if line not in (b"\r\n", b"\n"):
            break
    if not line.endswith(b"\n"):
        if len(line) > MAX_LINE:
            head = RequestHead(request_line=line[:MAX_LINE].decode("latin-1"), raw=bytes(raw))
            return head.fail(414, "request line longer than %d bytes" % MAX_LINE)
        return None  # end of stream inside the request line: nothing to answer

    head = RequestHead(request_line=_strip_eol(line).decode("latin-1"))
    _parse_request_line(head)
    while head.error is None:
        line = rfile.readline(MAX_LINE + 1)
        raw += line
        if not line.endswith(b"\n"):
            if len(line) > MAX_LINE:
                head.fail(431, "header line longer than %d bytes" % MAX_LINE)
            else:
                head.fail(None, "connection closed inside the request head")
            break
        text = _strip_eol(line).decode("latin-1")
        if text == "":
            break
        head.header_lines.append(text)
        if len(head.header_lines) > MAX_HEADERS:
            head.fail(431, "more than %d header lines" % MAX_HEADERS)
        elif text[0] in " \t":
            head.fail(400, "folded header line")
        else:
            name, colon, value = text.partition(":")
            if not colon or not _TOKEN.match(name):
                head.fail(400, "malformed header line")
            else:
                head.headers.append((name, value.strip(" \t")))
    head.raw = bytes(raw)
    if head.error is None:
        _check_framing(head)
    return head


def _parse_request_line(head):
    parts = head.request_line.split(" ")
    if len(parts) != 3 or not all(parts):
        return head.fail(400, "malformed request line")
    head.method, head.target, head.version = parts
    if not _TOKEN.match(head.method):
        return head.fail(400, "malformed method")
    match = _VERSION.match(head.version)
    if not match:
        return head.fail(400, "malformed protocol version")
    if match.group(1) != "1":
        return head.fail(505, "unsupported protocol version")
    return _split_target(head)


def _check_framing(head):
    if head.header("Transfer-Encoding") is not None:
        return head.fail(501, "transfer codings are not supported")
    lengths = {v for k, v in head.headers if k.lower() == "content-length"}
    if len(lengths) > 1:
        return head.fail(400, "conflicting Content-Length headers")
    if lengths:
        value = lengths.pop()
        if not value.isdigit() or not value.isascii():
            return head.fail(400, "malformed Content-Length")
        if int(value) > MAX_BODY:
            return head.fail(413, "body larger than %d bytes" % MAX_BODY)
    return head


def content_length(head):
    value = head.header("Content-Length")
    return int(value) if value else 0


@dataclass
class Reply:
    status: int = 200
    body: bytes = b""
    content_type: str = "text/plain; charset=utf-8"
    headers: list = field(default_factory=list)  # extra (name, value) pairs


def build_head(status, headers):
    lines = ["HTTP/1.1 %d %s" % (status, REASONS.get(status, "Status"))]
    lines += ["%s: %s" % (k, v) for k, v in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1", "replace")


def reply_headers(reply, keep_alive, length=True, declared=None):
    """Header list for `reply`; `length=False` omits Content-Length (close-delimited)."""
    headers = [("Server", "StandIn/1"), ("Date", email.utils.formatdate(usegmt=True))]
    if reply.content_type:
        headers.append(("Content-Type", reply.content_type))
    if length:
        headers.append(("Content-Length", str(len(reply.body) if declared is None else declared)))
    headers.append(("Cache-Control", "no-store"))
    headers += reply.headers
    headers.append(("Connection", "keep-alive" if keep_alive else "close"))
    return headers
