"""Control endpoints under /__ctl/, for tests that run the service in another process.

Requests and replies are JSON except file uploads, whose body is the file itself.
Control requests are never recorded and never spoiled by faults.
"""

import base64
import binascii
import json
import threading

from . import formats
from .httpio import Reply

JSON_TYPE = "application/json; charset=utf-8"
_append_lock = threading.Lock()


def append_json_line(path, obj):
    line = json.dumps(obj, ensure_ascii=True) + "\n"
    with _append_lock, open(path, "a", encoding="ascii") as f:
        f.write(line)  # one write per line, so a reader never sees half a record


class ControlError(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


def _json_reply(obj, status=200):
    return Reply(status, (json.dumps(obj, ensure_ascii=False) + "\n").encode("utf-8"), JSON_TYPE)


def _json_body(body, required=True):
    if not body:
        if required:
            raise ControlError(400, "a JSON object is required in the body")
        return {}
    try:
        obj = json.loads(body.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as exc:
        raise ControlError(400, "body is not JSON: %s" % exc)
    if not isinstance(obj, dict):
        raise ControlError(400, "body must be a JSON object")
    return obj


def _text(obj, name, default=None):
    value = obj.get(name, default)
    if value is None and default is None:
        raise ControlError(400, "missing %r" % name)
    if not isinstance(value, str):
        raise ControlError(400, "%r must be text" % name)
    return value


def _bytes64(obj, name):
    try:
        return base64.b64decode(_text(obj, name), validate=True)
    except binascii.Error as exc:
        raise ControlError(400, "%r is not base64: %s" % (name, exc))


def _ping(svc, head, body):
    return {"ok": True, "port": svc.port}


def _get_requests(svc, head, body):
    since = head.params.get("since", ["0"])[0]
    if not since.isdigit():
        raise ControlError(400, "since must be a number")
    return [r.to_dict() for r in svc.requests() if r.seq > int(since)]


def _clear_requests(svc, head, body):
    svc.clear_requests()
    return {"ok": True}


def _get_faults(svc, head, body):
    return svc.faults()


def _set_fault(svc, head, body):
    obj = _json_body(body)
    params = obj.get("params", {})
    if not isinstance(params, dict):
        raise ControlError(400, "'params' must be an object")
    if "times" in obj:
        params = dict(params, times=obj["times"])
    fault = svc.set_fault(_text(obj, "path"), _text(obj, "kind"), **params)
    return {"ok": True, "fault": fault.to_dict()}


def _clear_faults(svc, head, body):
    obj = _json_body(body, required=False)
    svc.clear_faults(_text(obj, "path") if "path" in obj else None)
    return {"ok": True}


def _update_config(svc, head, body):
    obj = _json_body(body)
    exe = _bytes64(obj, "exe_base64") if "exe_base64" in obj else _text(obj, "exe_path")
    kwargs = {k: _text(obj, k) for k in ("tag", "version", "key", "serve_exe_at", "encoding")
              if k in obj}
    key = svc.set_update_config(exe, _text(obj, "upd_addr"), **kwargs)
    return {"ok": True, "key": key,
            "path": formats.config_path(kwargs.get("tag", formats.PRODUCT_TAG))}


def _notice(svc, head, body):
    obj = _json_body(body)
    picture = _bytes64(obj, "picture_base64") if "picture_base64" in obj else None
    svc.set_notice(_text(obj, "line"), encoding=_text(obj, "encoding", "gbk"), picture=picture,
                   picture_path=_text(obj, "picture_path") if "picture_path" in obj else None)
    return {"ok": True, "path": formats.NOTICE_PATH}


def _shutdown(svc, head, body):
    stopper = svc.on_shutdown_request or svc.stop
    # Stopping closes every open connection: give this reply a moment to go out first.
    timer = threading.Timer(0.2, stopper)
    timer.daemon = True
    timer.start()
    return {"ok": True}


def _put_file(svc, head, body, url_path):
    svc.put_file(url_path, body, head.header("Content-Type"))
    return {"ok": True, "path": url_path, "length": len(body)}


def _delete_file(svc, head, body, url_path):
    return {"ok": True, "removed": svc.remove_file(url_path)}


ENDPOINTS = {
    ("GET", "ping"): _ping,
    ("GET", "requests"): _get_requests,
    ("POST", "requests/clear"): _clear_requests,
    ("GET", "faults"): _get_faults,
    ("POST", "faults"): _set_fault,
    ("POST", "faults/clear"): _clear_faults,
    ("POST", "update-config"): _update_config,
    ("POST", "notice"): _notice,
    ("POST", "shutdown"): _shutdown,
}
FILE_ENDPOINTS = {"PUT": _put_file, "DELETE": _delete_file}


def handle(svc, head, body):
    """Answers one control request; never raises for bad input."""
    name = head.path[len("/__ctl/"):]
    try:
        if name.startswith("files/"):
            action = FILE_ENDPOINTS.get(head.method)
            if action is None:
                raise ControlError(405, "files take PUT or DELETE")
            return _json_reply(action(svc, head, body, name[len("files"):]))
        action = ENDPOINTS.get((head.method, name))
        if action is None:
            known = any(n == name for _, n in ENDPOINTS)
            raise ControlError(405 if known else 404, "no control endpoint %s %s" % (head.method, name))
        return _json_reply(action(svc, head, body))
    except ControlError as exc:
        return _json_reply({"error": str(exc)}, exc.status)
    except (ValueError, TypeError, LookupError, OSError) as exc:
        return _json_reply({"error": str(exc)}, 400)
