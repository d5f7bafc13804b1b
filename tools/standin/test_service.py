"""Tests of the stand-in service, all through real sockets on loopback."""

import base64
import configparser
import hashlib
import html.parser
import http.client
import json
import os
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
if REPO not in sys.path:
    sys.path.insert(0, REPO)

from tools.standin import StandInService, exe_version, make_version_key, notice_line  # noqa: E402


def fetch(port, path, method="GET", headers=None, body=None):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    try:
        conn.request(method, path, body=body, headers=headers or {})
        resp = conn.getresponse()
        return resp.status, resp, resp.read()
    finally:
        conn.close()


def raw_exchange(port, data, timeout=3.0):
    """Sends bytes, returns everything received until the server closes."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(data)
        chunks = []
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return b"".join(chunks)
            chunks.append(chunk)


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def split_reply(data):
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = dict(line.split(": ", 1) for line in lines[1:])
    return int(lines[0].split(" ")[1]), headers, body


class Links(html.parser.HTMLParser):
    def __init__(self, text):
        super().__init__()
        self.hrefs = []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        self.hrefs += [v for k, v in attrs if tag == "a" and k == "href"]


class ServiceCase(unittest.TestCase):
    control = False

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.svc = StandInService(self.tmp.name, control=self.control).start()
        self.addCleanup(self.svc.stop)

    def get(self, path, **kw):
        return fetch(self.svc.port, path, **kw)


class RecordingTests(ServiceCase):
    def test_request_line_and_header_lines_are_kept_exactly(self):
        head = ("GET /install.htm?tag=zelqa7&ver=3.0.0.1&count=7 HTTP/1.1\r\n"
                "User-Agent: ROZ\r\nHost: 127.0.0.1\r\nAccept-Language: zh-cn \r\n"
                "Content-Type: application/x-www-form-urlencoded\r\nX-Odd:   spaced\t\r\n"
                "Connection: close\r\n\r\n")
        status, _, body = split_reply(raw_exchange(self.svc.port, head.encode()))
        self.assertEqual((status, body), (200, b"ok"))
        [rec] = self.svc.requests()
        self.assertEqual(rec.request_line, head.split("\r\n")[0])
        self.assertEqual(rec.header_lines, head.split("\r\n")[1:7])
        self.assertEqual(rec.raw_head, head)
        self.assertEqual((rec.method, rec.path, rec.version), ("GET", "/install.htm", "HTTP/1.1"))
        self.assertEqual(rec.query, "tag=zelqa7&ver=3.0.0.1&count=7")
        self.assertEqual(rec.params["count"], ["7"])
        self.assertEqual(rec.header("accept-language"), "zh-cn")
        self.assertIsNone(rec.error)

    def test_order_is_arrival_order_across_kept_alive_and_new_connections(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.svc.port, timeout=5)
        for path in ("/active.htm?count=1", "/webgame.htm", "/active.htm?count=2"):
            conn.request("GET", path)
            conn.getresponse().read()
        conn.close()
        self.get("/uninstall.htm")
        recs = self.svc.requests()
        self.assertEqual([r.target for r in recs],
                         ["/active.htm?count=1", "/webgame.htm", "/active.htm?count=2",
                          "/uninstall.htm"])
        self.assertEqual([r.seq for r in recs], sorted(r.seq for r in recs))
        self.assertEqual(len({r.client for r in recs[:3]}), 1, "first three share one connection")
        self.assertNotEqual(recs[0].client, recs[3].client)

    def test_clear_and_wait_for_requests(self):
        self.get("/webgame.htm")
        self.svc.clear_requests()
        self.assertEqual(self.svc.requests(), [])
        threading.Timer(0.2, self.get, ("/active.htm?count=3",)).start()
        got = self.svc.wait_for_requests("/active.htm", timeout=3)
        self.assertEqual([r.params["count"] for r in got], [["3"]])
        self.assertEqual(self.svc.wait_for_requests("/never", timeout=0.05), [])

    def test_record_file_gets_one_json_line_per_request(self):
        path = os.path.join(self.tmp.name, "rec.jsonl")
        with StandInService(record_file=path) as svc:
            fetch(svc.port, "/install.htm?count=1")
            fetch(svc.port, "/nothing-here")
        lines = [json.loads(line) for line in read_text(path).splitlines()]
        self.assertEqual([(r["path"], r["params"]) for r in lines],
                         [("/install.htm", {"count": ["1"]}), ("/nothing-here", {})])
        self.assertTrue(lines[0]["header_lines"][0].startswith("Host: 127.0.0.1:"))


class ContentTests(ServiceCase):
    def test_login_page_links_lead_to_a_working_game_page(self):
        status, resp, body = self.get("/act/wd/main/index/277")
        self.assertEqual(status, 200)
        self.assertEqual(resp.getheader("Content-Type"), "text/html; charset=utf-8")
        text = body.decode("utf-8")
        self.assertIn('<meta charset="utf-8">', text)
        hrefs = Links(text).hrefs
        self.assertIn("app://exitgame", hrefs)
        self.assertIn("app://minimize", hrefs)
        loads = [h for h in hrefs if h.startswith("app://loadgame|")]
        self.assertIn("app://loadgame|%E5%8F%8C%E7%BA%BF1%E6%9C%8D-2-abc|", "".join(loads))
        account_part, game = loads[0][len("app://loadgame|"):].split("|", 1)
        self.assertEqual(account_part, "S1服-2-abc")
        prefix = self.svc.base_url
        self.assertTrue(game.startswith(prefix), game)
        status, _, page = self.get(game[len(prefix):])
        self.assertEqual(status, 200)
        self.assertIn('<span id="account">abc</span>', page.decode("utf-8"))

    def test_hall_page_offers_entergame_with_and_without_download_page(self):
        status, _, body = self.get("/webgame.htm")
        self.assertEqual(status, 200)
        enters = [h for h in Links(body.decode("utf-8")).hrefs if h.startswith("app://entergame|")]
        with_page = [h for h in enters if h.count("|") == 2]
        self.assertTrue(with_page and len(with_page) < len(enters))
        name, page = with_page[0][len("app://entergame|"):].split("|")
        self.assertEqual(name, "zelqa7/")
        self.assertEqual(self.get(page[len(self.svc.base_url):])[0], 200)

    def test_game_page_escapes_query_text(self):
        _, _, body = self.get("/game/play.htm?server=1&account=%3Cscript%3Ex")
        self.assertIn("&lt;script&gt;x", body.decode("utf-8"))
        self.assertNotIn("<script>x", body.decode("utf-8"))

    def test_pings_unknown_paths_and_methods(self):
        for path in ("/install.htm?tag=zelqa7&ver=3.0.0.1&count=1",
                     "/active.htm?tag=webkovo&ver=3.0.0.1&count=9", "/uninstall.htm"):
            self.assertEqual(self.get(path)[::2], (200, b"ok"))
        self.assertEqual(self.get("/update/ConfigZelqa7.htm")[0], 404)
        self.assertEqual(self.get("/notice/zelqa7.txt")[0], 404)
        self.assertEqual(self.get("/webgame.htm", method="POST", body=b"x")[0], 405)
        status, resp, body = self.get("/webgame.htm", method="HEAD")
        self.assertEqual((status, body), (200, b""))
        self.assertGreater(int(resp.getheader("Content-Length")), 100)

    def test_put_file_overrides_built_in_page_until_removed(self):
        self.svc.put_file("/webgame.htm", "<p>替换</p>")
        self.assertEqual(self.get("/webgame.htm")[2], "<p>替换</p>".encode())
        self.assertTrue(self.svc.remove_file("/webgame.htm"))
        self.assertIn("app://entergame|", self.get("/webgame.htm")[2].decode())

    def test_root_folder_is_served_without_escaping_it(self):
        root = os.path.join(self.tmp.name, "root")
        os.makedirs(os.path.join(root, "sub"))
        with open(os.path.join(root, "sub", "a.txt"), "wb") as f:
            f.write(b"inside")
        with open(os.path.join(self.tmp.name, "secret.txt"), "wb") as f:
            f.write(b"SECRET")
        os.symlink(os.path.join(self.tmp.name, "secret.txt"), os.path.join(root, "link.txt"))
        with StandInService(root) as svc:
            self.assertEqual(fetch(svc.port, "/sub/a.txt")[::2], (200, b"inside"))
            for path in ("/../secret.txt", "/sub/../../secret.txt", "/%2e%2e/secret.txt",
                         "/sub/..%2f..%2fsecret.txt", "/link.txt", "/sub", "/sub/a.txt%00",
                         "/..%5csecret.txt"):
                status, _, body = fetch(svc.port, path)
                self.assertEqual(status, 404, path)
                self.assertNotIn(b"SECRET", body)


class FaultTests(ServiceCase):
    def test_404_and_500_and_any_status(self):
        self.svc.set_fault("/webgame.htm", "404")
        status, _, body = self.get("/webgame.htm")
        self.assertEqual(status, 404)
        self.assertTrue(body)
        self.svc.set_fault("/notice/zelqa7.txt", "500", body="broken")
        status, resp, body = self.get("/notice/zelqa7.txt")
        self.assertEqual((status, resp.getheader("Content-Length"), body), (500, "6", b"broken"))
        self.svc.set_fault("/active.htm", "status", code=503)
        self.assertEqual(self.get("/active.htm?count=1")[0], 503)
        self.assertEqual([r.fault for r in self.svc.requests()], ["404", "500", "status"])

    def test_no_length_sends_the_normal_body_until_close(self):
        normal = self.get("/webgame.htm", headers={"Host": "h"})[2]
        self.svc.set_fault("/webgame.htm", "no_length")
        status, headers, body = split_reply(raw_exchange(
            self.svc.port, b"GET /webgame.htm HTTP/1.1\r\nHost: h\r\n\r\n"))
        self.assertEqual(status, 200)
        self.assertNotIn("Content-Length", headers)
        self.assertEqual(headers["Connection"], "close")
        self.assertEqual(body, normal)

    def test_short_body_announces_more_than_it_sends(self):
        self.svc.put_file("/update/big.exe", bytes(range(256)) * 8)
        self.svc.set_fault("/update/big.exe", "short_body")
        conn = http.client.HTTPConnection("127.0.0.1", self.svc.port, timeout=5)
        conn.request("GET", "/update/big.exe")
        resp = conn.getresponse()
        self.assertEqual(resp.getheader("Content-Length"), "2048")
        with self.assertRaises(http.client.IncompleteRead) as cm:
            resp.read()
        self.assertEqual(len(cm.exception.partial), 2047)
        conn.close()
        self.svc.set_fault("/update/big.exe", "short_body", sent=3, declared=10)
        _, headers, body = split_reply(raw_exchange(self.svc.port, b"GET /update/big.exe HTTP/1.1\r\n\r\n"))
        self.assertEqual((headers["Content-Length"], body), ("10", bytes([0, 1, 2])))

    def test_drop_closes_without_reply(self):
        self.svc.set_fault("/notice/zelqa7.txt", "drop")
        with self.assertRaises(http.client.RemoteDisconnected):
            self.get("/notice/zelqa7.txt")
        self.assertEqual(raw_exchange(self.svc.port, b"GET /notice/zelqa7.txt HTTP/1.1\r\n\r\n"), b"")
        self.svc.set_fault("/notice/zelqa7.txt", "drop", reset=True)
        with self.assertRaises(ConnectionResetError):
            raw_exchange(self.svc.port, b"GET /notice/zelqa7.txt HTTP/1.1\r\n\r\n")
        self.assertEqual(len(self.svc.requests()), 3)

    def test_slow_reply_does_not_hold_up_other_paths(self):
        self.svc.set_fault("/webgame.htm", "slow", delay=1.0)
        done = {}

        def slow():
            t0 = time.monotonic()
            done["status"] = self.get("/webgame.htm")[0]
            done["took"] = time.monotonic() - t0
        worker = threading.Thread(target=slow)
        worker.start()
        time.sleep(0.1)
        t0 = time.monotonic()
        self.assertEqual(self.get("/active.htm")[0], 200)
        self.assertLess(time.monotonic() - t0, 0.5)
        worker.join(5)
        self.assertEqual(done["status"], 200)
        self.assertGreaterEqual(done["took"], 0.9)

    def test_throttled_body_arrives_whole_and_late(self):
        data = os.urandom(3000)
        self.svc.put_file("/notice/pic.jpg", data)
        self.svc.set_fault("/notice/pic.jpg", "slow", delay=0, chunk=1000, interval=0.15)
        t0 = time.monotonic()
        self.assertEqual(self.get("/notice/pic.jpg")[2], data)
        self.assertGreaterEqual(time.monotonic() - t0, 0.28)

    def test_trickle_stall_and_redirect(self):
        self.svc.put_file("/update/t.exe", b"abcdef")
        self.svc.set_fault("/update/t.exe", "trickle", every=0.1, bytes=2)
        sock = socket.create_connection(("127.0.0.1", self.svc.port), timeout=5)
        sock.sendall(b"GET /update/t.exe HTTP/1.1\r\nHost: h\r\n\r\n")
        arrivals = []
        data = b""
        while not data.endswith(b"ef"):
            data += sock.recv(100)
            arrivals.append(time.monotonic())
        sock.close()
        self.assertEqual(split_reply(data)[2], b"abcdef")
        self.assertGreaterEqual(arrivals[-1] - arrivals[0], 0.18)  # the body in three pieces, a pause before each
        # A stall sends what it was told to and then holds the connection open.
        self.svc.set_fault("/update/t.exe", "stall", sent=2)
        sock = socket.create_connection(("127.0.0.1", self.svc.port), timeout=0.5)
        sock.sendall(b"GET /update/t.exe HTTP/1.1\r\n\r\n")
        data = b""
        with self.assertRaises(socket.timeout):
            while True:
                data += sock.recv(100)
        sock.close()
        _, headers, body = split_reply(data)
        self.assertEqual((headers["Content-Length"], body), ("6", b"ab"))
        self.svc.set_fault("/update/t.exe", "redirect", to="http://127.1:9/t.exe", code=307)
        status, resp, body = self.get("/update/t.exe")
        self.assertEqual((status, resp.getheader("Location"), body), (307, "http://127.1:9/t.exe", b""))
        with self.assertRaises(ValueError):
            self.svc.set_fault("/x", "redirect", to="http://a/\r\nSet-Cookie: x")

    def test_times_query_keys_and_clearing(self):
        self.svc.set_fault("/webgame.htm", "500", times=1)
        self.assertEqual([self.get("/webgame.htm")[0] for _ in range(2)], [500, 200])
        self.svc.set_fault("/active.htm?tag=webkovo", "404")
        self.assertEqual(self.get("/active.htm?tag=webkovo")[0], 404)
        self.assertEqual(self.get("/active.htm?tag=zelqa7")[0], 200)
        self.svc.clear_faults()
        self.assertEqual(self.get("/active.htm?tag=webkovo")[0], 200)

    def test_bad_fault_settings_are_refused(self):
        for kind, params in (("explode", {}), ("slow", {"dely": 1}), ("slow", {"delay": -1}),
                             ("drop", {"reset": "yes"}), ("500", {"times": 0})):
            with self.assertRaises(ValueError, msg=kind):
                self.svc.set_fault("/x", kind, **params)
        self.assertEqual(self.svc.faults(), {})


class PublishedTextTests(ServiceCase):
    def read_config(self, path):
        status, _, body = self.get(path)
        self.assertEqual(status, 200)
        ini = configparser.ConfigParser()
        ini.optionxform = str
        ini.read_string(body.decode("ascii"))
        return ini

    def test_version_key_from_known_digests(self):
        # md5("") and md5("abc") are the test vectors of RFC 1321
        self.assertEqual(make_version_key(b""), "d41d8cd98f00b204e9800998ecf83001")
        exe = os.path.join(self.tmp.name, "Zelqa7.exe")
        with open(exe, "wb") as f:
            f.write(b"abc")
        key = self.svc.set_update_config(exe, "http://127.0.0.1/dl/Zelqa7.exe")
        self.assertEqual(key, "900150983cd24fb0d6963f7d28e13001")
        ini = self.read_config("/update/ConfigZelqa7.htm")
        self.assertEqual(dict(ini["VerKey"]),
                         {"Zelqa7": key, "UpdAddr": "http://127.0.0.1/dl/Zelqa7.exe"})

    def test_a_release_is_published_under_its_own_version_number(self):
        # The head of a version resource: lengths, key, padding, then the fixed part with
        # its signature and the file version 3.0.1.10.
        key = "VS_VERSION_INFO\0".encode("utf-16-le")
        fixed = struct.pack("<5I", 0xFEEF04BD, 0x10000, 0x30000, 0x1000A, 0x30000)
        exe = b"MZ" + b"\0" * 6 + struct.pack("<3H", 92, 52, 0) + key + b"\0\0" + fixed + b"\0" * 64
        self.assertEqual(exe_version(exe), "3.0.1.10")
        self.assertIsNone(exe_version(exe.replace(b"\xbd\x04\xef\xfe", b"\0\0\0\0")))
        key = self.svc.set_update_config(exe, "http://127.0.0.1/dl/Zelqa7.exe")
        self.assertEqual(key, hashlib.md5(exe).hexdigest()[:27] + "30110")
        self.assertEqual(self.read_config("/update/ConfigZelqa7.htm")["VerKey"]["Zelqa7"], key)

    def test_other_launcher_config_and_installer(self):
        installer = b"MZ" + b"\0" * 5000
        self.svc.set_update_config(installer, "http://x/Tessaly.exe", tag="Tessaly",
                                   version="1.2", serve_exe_at="/dl/Tessaly.exe")
        ini = self.read_config("/update/ConfigTessaly.htm")
        self.assertEqual(ini["VerKey"]["Tessaly"], make_version_key(installer, "1.2"))
        self.assertTrue(ini["VerKey"]["Tessaly"].endswith("12"))
        self.assertEqual(len(ini["VerKey"]["Tessaly"]), 32)
        self.assertEqual(self.get("/dl/Tessaly.exe")[2], installer)
        with self.assertRaises(ValueError):
            self.svc.set_update_config(b"", "http://x/\r\n[Other]")

    def test_notice_is_served_in_the_ansi_code_page(self):
        line = notice_line("n1", "2030-01-01", "新版本", "http://x/news", "活动开始", "", "2|x")
        self.assertEqual(line.split("|", 6)[6], "2|x")
        self.svc.set_notice(line, picture=b"\xff\xd8jpeg")
        status, resp, body = self.get("/notice/zelqa7.txt")
        self.assertEqual((status, body), (200, line.encode("gbk")))
        self.assertEqual(resp.getheader("Content-Length"), str(len(line.encode("gbk"))))
        self.assertEqual(self.get("/notice/zelqa7.jpg")[2], b"\xff\xd8jpeg")
        with self.assertRaises(ValueError):
            notice_line("n1", "2030-01-01", "a|b", "", "", "", 0)


class MalformedRequestTests(ServiceCase):
    CASES = [
        (b"GARBAGE\r\n\r\n", 400),
        (b"GET /\r\n\r\n", 400),
        (b"GET  / HTTP/1.1\r\n\r\n", 400),
        (b"GET / HTTP/2.0\r\n\r\n", 505),
        (b"GET webgame.htm HTTP/1.1\r\n\r\n", 400),
        (b"G(T / HTTP/1.1\r\n\r\n", 400),
        (b"\xff\xfe\x00\x01 / HTTP/1.1\r\n\r\n", 400),
        (b"GET / HTTP/1.1\r\nNoColonHere\r\n\r\n", 400),
        (b"GET / HTTP/1.1\r\nA: b\r\n  folded\r\n\r\n", 400),
        (b"GET / HTTP/1.1\r\nContent-Length: abc\r\n\r\n", 400),
        (b"GET / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400),
        (b"GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 501),
        (b"GET /" + b"a" * 9000 + b" HTTP/1.1\r\n\r\n", 414),
        (b"GET / HTTP/1.1\r\n" + b"X: y\r\n" * 101 + b"\r\n", 431),
        (b"GET / HTTP/1.1\r\nX: " + b"y" * 9000 + b"\r\n\r\n", 431),
    ]

    def test_each_gets_a_defined_status_and_the_service_carries_on(self):
        for data, expected in self.CASES:
            reply = raw_exchange(self.svc.port, data)
            self.assertEqual(split_reply(reply)[0], expected, data[:40])
        self.assertEqual(self.get("/webgame.htm")[0], 200)
        recs = self.svc.requests()
        self.assertEqual(len(recs), len(self.CASES) + 1)
        self.assertTrue(all(r.error for r in recs[:-1]))

    def test_odd_but_valid_requests(self):
        reply = raw_exchange(self.svc.port, b"\r\nGET http://other.invalid/webgame.htm?a=1 HTTP/1.0\r\n\r\n")
        self.assertEqual(split_reply(reply)[0], 200)
        self.assertEqual(self.svc.requests()[-1].path, "/webgame.htm")
        for path in ("/%zz", "/%ff%fe", "/a%00b", "//", "/" + "x/" * 500):
            self.assertEqual(self.get(path)[0], 404, path)
        reply = raw_exchange(self.svc.port, b"GET /active.htm HTTP/1.1\nConnection: close\n\n")
        self.assertEqual(split_reply(reply)[0], 200)

    def test_truncated_requests_are_dropped_quietly(self):
        for data in (b"GET / HT", b"GET / HTTP/1.1\r\nHost: x\r\n",
                     b"PUT /x HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"):
            with socket.create_connection(("127.0.0.1", self.svc.port), timeout=3) as s:
                s.sendall(data)
                s.shutdown(socket.SHUT_WR)
                self.assertEqual(s.recv(100), b"")
        self.assertEqual(self.get("/webgame.htm")[0], 200)
        self.assertEqual([r.error is not None for r in self.svc.requests()], [True, True, False])


class ControlTests(ServiceCase):
    control = True

    def ctl(self, method, name, obj=None, raw=None, headers=None):
        body = raw if raw is not None else (json.dumps(obj).encode() if obj is not None else None)
        status, _, data = self.get("/__ctl/" + name, method=method, body=body, headers=headers)
        return status, json.loads(data)

    def test_faults_files_and_request_log_over_http(self):
        status, reply = self.ctl("POST", "faults", {"path": "/webgame.htm", "kind": "500", "times": 1})
        self.assertEqual((status, reply["fault"]["kind"]), (200, "500"))
        self.assertEqual(self.get("/webgame.htm")[0], 500)
        self.assertEqual(self.ctl("PUT", "files/dl/a.bin", raw=b"\0\1\2",
                                  headers={"Content-Type": "application/x-test"})[0], 200)
        status, resp, body = self.get("/dl/a.bin")
        self.assertEqual((body, resp.getheader("Content-Type")), (b"\0\1\2", "application/x-test"))
        status, log = self.ctl("GET", "requests")
        self.assertEqual([(r["path"], r["fault"]) for r in log], [("/webgame.htm", "500"), ("/dl/a.bin", None)])
        self.assertEqual([r["path"] for r in self.ctl("GET", "requests?since=%d" % log[0]["seq"])[1]],
                         ["/dl/a.bin"])
        self.assertEqual(self.ctl("DELETE", "files/dl/a.bin")[1]["removed"], True)
        self.assertEqual(self.ctl("POST", "requests/clear")[0], 200)
        self.assertEqual(self.ctl("GET", "requests")[1], [])

    def test_update_config_and_notice_over_http(self):
        status, reply = self.ctl("POST", "update-config", {
            "exe_base64": base64.b64encode(b"abc").decode(), "upd_addr": "http://h/n.exe"})
        self.assertEqual((status, reply["key"]), (200, "900150983cd24fb0d6963f7d28e13001"))
        self.assertIn(b"Zelqa7=900150983cd24fb0d6963f7d28e13001",
                      self.get("/update/ConfigZelqa7.htm")[2])
        self.assertEqual(self.ctl("POST", "notice", {"line": "公告|x"})[0], 200)
        self.assertEqual(self.get("/notice/zelqa7.txt")[2], "公告|x".encode("gbk"))

    def test_bad_control_requests_get_errors_not_crashes(self):
        cases = [("POST", "faults", None, b"{not json", 400),
                 ("POST", "faults", {"path": "/x", "kind": "nope"}, None, 400),
                 ("POST", "faults", {"path": "x", "kind": "404"}, None, 400),
                 ("POST", "faults", [1, 2], None, 400),
                 ("POST", "update-config", {"exe_path": "/no/such/file", "upd_addr": ""}, None, 400),
                 ("POST", "update-config", {"exe_base64": "!!", "upd_addr": ""}, None, 400),
                 ("POST", "notice", {"line": "x", "encoding": "no-such-codec"}, None, 400),
                 ("GET", "faults/clear", None, None, 405),
                 ("GET", "nothing", None, None, 404),
                 ("POST", "files/x", None, b"x", 405)]
        for method, name, obj, raw, expected in cases:
            status, reply = self.ctl(method, name, obj, raw)
            self.assertEqual(status, expected, (method, name, obj, raw))
            self.assertIn("error", reply)
        self.assertEqual(self.svc.requests(), [], "control requests are not recorded")

    def test_prefix_is_ordinary_when_control_is_off(self):
        with StandInService() as svc:
            self.assertEqual(fetch(svc.port, "/__ctl/ping")[0], 404)
            self.assertEqual([r.path for r in svc.requests()], ["/__ctl/ping"])


class LoopbackTests(ServiceCase):
    def test_only_loopback_is_listening(self):
        self.assertEqual(self.svc.host, "127.0.0.1")
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
            try:
                probe.connect(("192.0.2.1", 9))  # no packet is sent; picks the outward address
                outward = probe.getsockname()[0]
            except OSError:
                outward = None
        if not outward or outward.startswith("127."):
            self.skipTest("no address other than loopback on this machine")
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection((outward, self.svc.port), timeout=2).close()


class CommandLineTests(unittest.TestCase):
    def start(self, *args, script=False):
        entry = [os.path.join(REPO, "tools", "standin", "__main__.py")] if script else ["-m", "tools.standin"]
        proc = subprocess.Popen([sys.executable, *entry, "--port", "0", *args], cwd=REPO,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        self.addCleanup(self.reap, proc)
        line = proc.stdout.readline().decode()
        self.assertRegex(line, r"^PORT \d+\n$")
        return proc, int(line.split()[1])

    @staticmethod
    def reap(proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait()
        for stream in (proc.stdin, proc.stdout):
            stream.close()

    def test_stdin_lifeline_with_record_and_port_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            rec, port_file = os.path.join(tmp, "rec.jsonl"), os.path.join(tmp, "port")
            proc, port = self.start("--stdin-lifeline", "--record", rec, "--port-file", port_file)
            self.assertEqual(read_text(port_file).strip(), str(port))
            self.assertEqual(fetch(port, "/active.htm?tag=zelqa7&count=4")[0], 200)
            self.assertEqual(json.loads(read_text(rec))["params"]["count"], ["4"])
            proc.stdin.close()
            self.assertEqual(proc.wait(5), 0)
            self.assertEqual(proc.stdout.read(), b"", "nothing but the PORT line on stdout")

    def test_sigterm_stops_it_cleanly_while_it_watches_stdin(self):
        # A stop while the stdin watcher waits must not abort the interpreter at exit
        # (which happened in most runs, so try a few).
        for _ in range(3):
            proc, port = self.start("--stdin-lifeline", script=True)
            self.assertEqual(fetch(port, "/webgame.htm")[0], 200)
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(5), 0)

    def test_vanished_parent_stops_it(self):
        parent = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(30)"])
        self.addCleanup(parent.wait)
        self.addCleanup(parent.kill)
        proc, _ = self.start("--parent-pid", str(parent.pid))
        time.sleep(0.3)
        self.assertIsNone(proc.poll())
        parent.kill()  # left unreaped: a zombie counts as gone
        self.assertEqual(proc.wait(5), 0)

    def test_control_and_published_files_from_flags(self):
        with tempfile.NamedTemporaryFile(suffix=".exe") as exe:
            exe.write(b"abc")
            exe.flush()
            proc, port = self.start("--control", "--update-exe", exe.name, "--upd-addr", "http://h/x",
                                    "--notice", "公告|1")
            self.assertIn(b"Zelqa7=900150983cd24fb0d6963f7d28e13001",
                          fetch(port, "/update/ConfigZelqa7.htm")[2])
            self.assertEqual(fetch(port, "/notice/zelqa7.txt")[2], "公告|1".encode("gbk"))
            self.assertEqual(fetch(port, "/__ctl/shutdown", method="POST")[0], 200)
            self.assertEqual(proc.wait(5), 0)

    def test_busy_port_is_reported(self):
        with StandInService() as svc:
            proc = subprocess.run([sys.executable, "-m", "tools.standin", "--port", str(svc.port)],
                                  cwd=REPO, capture_output=True, timeout=10)
        self.assertEqual(proc.returncode, 1)
        self.assertIn(b"cannot listen", proc.stderr)
        self.assertEqual(proc.stdout, b"")


if __name__ == "__main__":
    unittest.main()
