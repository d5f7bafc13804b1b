"""The program's HTTP GET procedure against the stand-in service: what the service
receives, and how each kind of reply is handled."""
import json
import os
import time
from unittest import mock

from tests.e2e import harness
from tools.standin import StandInService

TOOL = os.path.join(harness.BUILD, "tests", "win", "online", "vorn_httpget.exe")


class HttpClientTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        self.service = StandInService().start()
        self.addCleanup(self.service.stop)

    def get(self, how, url, *rest):
        result = harness.run_windows(TOOL, how, url, *rest, timeout=120)
        lines = [line for line in result.output.splitlines() if line.startswith("{")]
        self.assertTrue(lines, result.output)
        return json.loads(lines[-1])

    def target(self, name):
        return os.path.join(self.scratch, name)

    def read(self, name):
        with open(self.target(name), "rb") as f:
            return f.read()

    def test_request_line_and_headers_as_the_service_receives_them(self):
        self.service.put_file("/files/a.bin", b"x" * 1000)
        out = self.get("file", self.service.url("/files/a.bin"), self.target("a.bin"))
        self.assertTrue(out["ok"])
        self.assertEqual(self.read("a.bin"), b"x" * 1000)
        [request] = self.service.requests()
        self.assertEqual(request.request_line, "GET /files/a.bin HTTP/1.1")
        # The library under Wine trims the blank after "zh-cn" from the value it sends.
        headers = [line.rstrip() for line in request.header_lines]
        self.assertIn("Accept-Language: zh-cn", headers)
        self.assertIn("Content-Type: application/x-www-form-urlencoded", headers)
        self.assertIn("User-Agent: ROZ", headers)
        self.assertIn(f"Host: 127.0.0.1:{self.service.port}", headers)
        self.assertLess(headers.index("Accept-Language: zh-cn"),
                        headers.index("Content-Type: application/x-www-form-urlencoded"))

    def test_pings_send_and_never_read(self):
        base = self.service.url("/install.htm?tag=zelqa7&ver=3.0.0.1&count=1")
        self.assertTrue(self.get("ping", base)["ok"])
        self.assertTrue(self.get("ping", base.replace("http://", "HTTP://"))["ok"])
        self.assertFalse(self.get("ping", base.replace("http://", "https://"))["ok"])
        lines = [r.request_line for r in self.service.requests()]
        self.assertEqual(lines, ["GET /install.htm?tag=zelqa7&ver=3.0.0.1&count=1 HTTP/1.1"] * 2)
        # A ping to a port where nobody listens fails with the connection's own error.
        closed = self.get("ping", "http://127.0.0.1:9/x.htm")
        self.assertFalse(closed["ok"])
        self.assertNotEqual(closed["error"], 0)

    def test_reply_faults(self):
        self.service.put_file("/r.bin", b"0123456789" * 100)
        self.service.put_file("/moved.bin", b"moved" * 10)
        url = self.service.url("/r.bin")
        # A failed download leaves no file; those the library cannot abort end within the
        # progress window, here shortened to two seconds.
        cases = [
            ("404", {}, False, None),          # fails even with a body
            ("500", {"body": b"server error"}, True, b"server error"),  # written as the resource
            ("no_length", {}, False, None),
            ("short_body", {}, False, None),
            ("drop", {}, False, None),
            ("slow", {"delay": 1.0}, True, b"0123456789" * 100),
            ("trickle", {"every": 0.3}, False, None),
            ("stall", {"sent": 10}, False, None),
            ("stall", {}, False, None),
            ("redirect", {"to": "/moved.bin", "code": 301}, True, b"moved" * 10),
            ("redirect", {"to": "/r.bin"}, False, None),   # a loop: given up after a few hops
        ]
        with mock.patch.dict(os.environ, {"VORN_TEST_PROGRESS_WINDOW_MS": "2000"}):
            for number, (kind, params, ok, content) in enumerate(cases):
                with self.subTest(kind=kind, **params):
                    self.service.clear_faults()
                    self.service.clear_requests()
                    self.service.set_fault("/r.bin", kind, **params)
                    name = f"{number}-{kind}.bin"
                    started = time.monotonic()
                    out = self.get("file", url, self.target(name))
                    self.assertLess(time.monotonic() - started, 30)
                    self.assertEqual(out["ok"], ok)
                    if content is None:
                        self.assertFalse(os.path.exists(self.target(name)))
                    else:
                        self.assertEqual(self.read(name), content)
        self.assertEqual(len(self.service.requests()), 6)  # the first address and five hops
        # A body over the caller's limit is refused before anything is written: an older
        # file of that name stays as it was.
        self.service.clear_faults()
        with open(self.target("limit.bin"), "wb") as f:
            f.write(b"older")
        self.assertFalse(self.get("file", url, self.target("limit.bin"), "999")["ok"])
        self.assertEqual(self.read("limit.bin"), b"older")
        self.assertTrue(self.get("file", url, self.target("limit.bin"), "1000")["ok"])

    def test_downloads_come_only_from_service_hosts(self):
        self.service.put_file("/NewZelqa7.exe", b"MZ" + b"\0" * 5000)
        foreign = f"http://127.0.0.2:{self.service.port}/NewZelqa7.exe"
        disguised = f"http://127.0.0.2:{self.service.port}/x?127.0.0.1"
        for url in (foreign, disguised, ""):
            self.assertFalse(self.get("service-file", url or "http://", self.target("n.exe"))["ok"])
        self.assertEqual(self.service.requests(), [])
        self.assertFalse(os.path.exists(self.target("n.exe")))
        self.assertTrue(self.get("service-file", self.service.url("/NewZelqa7.exe"), self.target("n.exe"))["ok"])
        # Every hop of a redirect is judged as a download's first address: one to a foreign
        # host (here an address that reaches this same service) is never followed.
        self.service.set_fault("/moved.exe", "redirect", to=foreign.replace("127.0.0.2", "127.1"))
        self.service.clear_requests()
        self.assertFalse(self.get("service-file", self.service.url("/moved.exe"), self.target("m.exe"))["ok"])
        self.assertEqual([r.path for r in self.service.requests()], ["/moved.exe"])
        self.assertFalse(os.path.exists(self.target("m.exe")))
        # Nor by a configuration fetch, whose first address (compiled in) is not judged.
        self.service.clear_requests()
        self.assertFalse(self.get("file", self.service.url("/moved.exe"), self.target("c.htm"))["ok"])
        self.assertEqual([r.path for r in self.service.requests()], ["/moved.exe"])
        self.service.set_fault("/moved.exe", "redirect", to=self.service.url("/NewZelqa7.exe"))
        self.assertTrue(self.get("service-file", self.service.url("/moved.exe"), self.target("m.exe"))["ok"])

    def test_the_update_menu_says_what_the_check_found(self):
        with open(TOOL, "rb") as f:
            tool = f.read()
        up_to_date, failed = "已经是最新版本，无需进行更新。", "检查更新失败，请稍后再试。"
        with mock.patch.dict(os.environ, {"VORN_TEST_SERVICE_PORT": str(self.service.port)}):
            # A configuration that names no release means nothing newer is published.
            self.service.set_update_config(tool, self.service.url("/files/x.exe"), key="")
            self.assertEqual(self.get("check", "free"), {"update": 0, "text": up_to_date})
            self.service.set_update_config(tool, self.service.url("/files/x.exe"), version="3.0.0.1")
            self.assertEqual(self.get("check", "free"), {"update": 0, "text": up_to_date})
            self.service.set_fault("/update/ConfigZelqa7.htm", "404")
            self.assertEqual(self.get("check", "free"), {"update": 0, "text": failed})
            # While another update runs nothing is fetched, and the menu says why.
            self.service.clear_requests()
            busy = self.get("check", "busy")
            self.assertEqual(busy["update"], 0)
            self.assertNotIn(busy["text"], (up_to_date, failed))
            self.assertEqual(self.service.requests(), [])

    def test_progress_is_reported_once_per_new_percentage_and_ends_at_100(self):
        body = bytes(range(256)) * 1024  # 256 KB, arriving in pieces of 512 bytes
        self.service.put_file("/NewZelqa7.exe", body)
        self.service.set_fault("/NewZelqa7.exe", "slow", delay=0, chunk=512, interval=0.001)
        out = self.get("progress", self.service.url("/NewZelqa7.exe"), self.target("p.exe"))
        self.assertTrue(out["ok"])
        self.assertEqual(self.read("p.exe"), body)
        positions = out["positions"]
        self.assertEqual(positions[-1], 100)
        self.assertGreaterEqual(len(positions), 10)
        self.assertEqual(positions, sorted(set(positions)))  # rising, never the same twice

    def test_a_cancelled_download_stops_and_fails(self):
        self.service.put_file("/NewZelqa7.exe", b"z" * 200000)
        self.service.set_fault("/NewZelqa7.exe", "slow", delay=0, chunk=512, interval=0.05)
        out = self.get("cancel", self.service.url("/NewZelqa7.exe"), self.target("c.exe"), "800")
        self.assertFalse(out["ok"])
        self.assertFalse(os.path.exists(self.target("c.exe")))  # nothing half-written is left

    def test_the_update_dialog_runs_again_after_a_cancel_and_outlives_its_workers(self):
        # The first run is cancelled while the service withholds its reply for ever, so its
        # request never returns by itself: the cancel must not wait for it. The second run,
        # in the same process and with the same dialog object, must download its file whole.
        self.service.put_file("/first.exe", b"1" * 300000)
        self.service.put_file("/second.exe", b"2" * 300000)
        self.service.set_fault("/first.exe", "stall")
        self.service.set_fault("/second.exe", "slow", delay=0, chunk=8192, interval=0.1)
        result = harness.run_windows(TOOL, "dialog", "500", self.service.url("/first.exe"), self.target("1.exe"),
                                     self.service.url("/second.exe"), self.target("2.exe"), timeout=120)
        lines = [line for line in result.output.splitlines() if line.startswith("{")]
        self.assertTrue(lines, result.output)
        out = json.loads(lines[-1])
        self.assertEqual(out["results"], [2, 1])  # IDCANCEL, then IDOK
        self.assertLess(out["ms"][0], 10000)
        self.assertEqual(self.read("2.exe"), b"2" * 300000)
        self.assertFalse(os.path.exists(self.target("1.exe")) and self.read("1.exe") == b"1" * 300000)

    def test_notice_text_is_read_from_the_ansi_code_page(self):
        self.service.put_file("/notice/zelqa7.txt", "2026-12-08|活动|欢迎".encode("gbk"))
        out = self.get("text", self.service.url("/notice/zelqa7.txt"))
        self.assertTrue(out["ok"])
        self.assertEqual(out["text"], "2026-12-08|活动|欢迎")
        self.service.put_file("/notice/zelqa7.txt", b"x" * 1024)  # must fit below 1024 bytes
        self.assertFalse(self.get("text", self.service.url("/notice/zelqa7.txt"))["ok"])
