"""The notice pop-up and the game download dialog under Wine against the stand-in service,
driven by a small program that runs them beside an owner window standing in for the
launcher, posts the timers and clicks, and reports what the dialogs show and store."""
import datetime
import json
import os
import shutil
import subprocess
from unittest import mock

from tests.e2e import harness, signing
from tools.standin import StandInService
from tools.standin.formats import notice_line

TOOL = os.path.join(harness.BUILD, "tests", "win", "online", "vorn_online_dialogs.exe")
MARKER = os.path.join(harness.BUILD, "tests", "win", "vorn_marker_child.exe")
TITLE = "新版本今日开放"
CONTENT = ("本周六 10:00 至 12:00 停服维护，届时无法登录游戏，敬请谅解。维护后开放新副本与限时活动，欢迎各位玩家踊跃参加！"
           "更多内容请见官网公告。")


INSTALLER_FOLDER = "C:\\ProgramData\\Vorn\\GameLogin\\Downloads"


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def remove_started_installer(path):
    """An installer that was started keeps its file while it runs (it goes at the next
    system start); the next download must not find it."""
    started = harness.prefix_path(*path[3:].split("\\"))
    if os.path.exists(started):
        os.remove(started)


class DialogsCase(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(TOOL):
            self.skipTest("the dialogs driver is missing")
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        # The driver keeps its settings file and the notice picture beside itself.
        self.tool = os.path.join(self.scratch, os.path.basename(TOOL))
        shutil.copy(TOOL, self.tool)

    def drive(self, *args):
        result = harness.run_windows(self.tool, *args, timeout=120)
        lines = [json.loads(line) for line in result.output.splitlines() if line.startswith("{")]
        self.assertTrue(lines, result.output)
        return lines

    def beside(self, name):
        return os.path.join(self.scratch, name)


class NoticeTests(DialogsCase):
    def setUp(self):
        super().setUp()
        self.today = datetime.date.today()

    def picture(self, size):
        path = self.beside("source.jpg")
        subprocess.run(["convert", "-size", size, "gradient:orange-purple", path], check=True)
        with open(path, "rb") as f:
            return f.read()

    def publish(self, content=CONTENT, picture=None, link=None, repeat=0, expiry=None, notice_id="n1", title=TITLE):
        pic_url = self.service.url("/notice/pic.jpg") if picture is not None else ""
        line = notice_line(notice_id, (expiry or self.today).isoformat(), title,
                           link if link is not None else self.service.url("/news.htm"), content, pic_url, repeat)
        self.service.set_notice(line, picture=picture, picture_path="/notice/pic.jpg")
        return line

    def assert_bottom_right(self, snap):
        rect, work = snap["rect"], snap["work"]
        self.assertEqual(rect[2:], work[2:])
        self.assertTrue(snap["topmost"] and snap["toolwindow"] and not snap["appwindow"])

    def assert_not_shown(self, snaps):
        for snap in snaps:
            self.assertFalse(snap["visible"])
            self.assertEqual(snap["popinfo"], "<none>")

    def test_picture_and_text_notice_repeats_then_the_players_choice_is_kept(self):
        picture = self.picture("75x80")
        line = self.publish(picture=picture, repeat=2)
        snaps = self.drive("notice", "snap", "timer1", "snap", "owner-hide", "timer2", "snap", "owner-show", "timer1",
                           "snap", "timer2", "snap", "timer1", "snap")
        first = snaps[0]
        self.assert_bottom_right(first)
        width = first["rect"][2] - first["rect"][0]
        statics = first["statics"]
        self.assertEqual(statics["1019"]["rect"], [15, 67, 90, 147])
        self.assertEqual(statics["1019"]["picture"], [75, 80])
        self.assertEqual(statics["1020"]["rect"][:3], [100, 48, width - 20])
        self.assertEqual((statics["1020"]["text"], statics["1020"]["weight"]), (TITLE, 700))
        self.assertEqual(statics["1021"]["text"], CONTENT[:54] + "...")
        self.assertEqual(statics["1022"]["rect"][:3], [195, 168, 237])
        self.assertTrue(all(statics[i]["visible"] and statics[i]["notify"] for i in ("1020", "1021", "1022")))
        # The line survives the settings file in Chinese; the picture is the one published.
        self.assertEqual((first["popinfo"], first["popenable"]), (line, "1"))
        with open(self.beside("PopWnd.jpg"), "rb") as f:
            self.assertEqual(f.read(), picture)
        self.assertFalse(os.path.exists(self.beside("PopWnd.jpg.part")))
        # Repeat count 2: shown three times, hidden in between, then closed for good; a
        # showing that falls while the launcher is hidden is not made up for.
        self.assertEqual([s["visible"] for s in snaps], [True, False, False, False, True, False])
        self.assertEqual(snaps[-1]["shows"], 2)
        self.assertEqual(snaps[-1]["popenable"], "1")

        # It comes back at the next start until the player closes it.
        snaps = self.drive("notice", "snap", "close", "snap")
        self.assertEqual([s["visible"] for s in snaps], [True, False])
        self.assertEqual(snaps[-1]["popenable"], "0")
        # Then neither it nor the same line with more text after it is shown.
        self.assertFalse(self.drive("notice", "snap")[0]["visible"])
        self.service.set_notice(line + " 补充")
        snap = self.drive("notice", "snap")[0]
        self.assertFalse(snap["visible"])
        self.assertEqual((snap["popinfo"], snap["popenable"]), (line, "0"))
        # A new notice is shown and replaces the stored line.
        line = self.publish(notice_id="n2", picture=picture)
        snap = self.drive("notice", "snap")[0]
        self.assertTrue(snap["visible"])
        self.assertEqual((snap["popinfo"], snap["popenable"]), (line, "1"))

    def test_picture_only_notice_opens_no_local_program_and_a_failed_picture_shows_none(self):
        # The link names a program on this machine: a click must not start it.
        program = self.beside("marker.exe")
        shutil.copy(MARKER, program)
        line = self.publish(content="", picture=self.picture("160x190"), link=windows_path(program))
        snaps = self.drive("notice", "snap", "click:1021", "wait:1500", "snap")
        first = snaps[0]
        self.assert_bottom_right(first)
        self.assertTrue(first["layered"])
        width, height = first["rect"][2] - first["rect"][0], first["rect"][3] - first["rect"][1]
        content = first["statics"]["1021"]
        self.assertEqual(content["rect"], [-3, 22, width, height])
        self.assertEqual((content["picture"], content["text"], content["hand"]), ([160, 190], "", 1))
        self.assertFalse(first["statics"]["1020"]["visible"] or first["statics"]["1022"]["visible"])
        self.assertFalse(snaps[1]["visible"])
        self.assertEqual((snaps[1]["popinfo"], snaps[1]["popenable"]), (line, "0"))
        self.assertFalse(os.path.exists(program + ".ran"))

        # A new notice whose picture cannot be fetched, or arrives short, shows none: neither
        # the old picture nor half of the new one.
        # Nor one larger than a notice picture may be, in bytes or in pixels.
        oversized = {"too many bytes": os.urandom(4 * 1024 * 1024 + 1), "too many pixels": self.picture("2049x4")}
        for fault in ("404", "short_body", "too many bytes", "too many pixels"):
            with self.subTest(fault):
                if fault in oversized:
                    self.publish(notice_id="n-" + fault, content="", picture=oversized[fault])
                else:
                    self.service.set_fault("/notice/pic.jpg", fault)
                    self.publish(notice_id="n-" + fault, content="", picture=self.picture("150x180"))
                snap = self.drive("notice", "snap")[0]
                self.service.clear_faults()
                self.assertTrue(snap["visible"])
                self.assertEqual(snap["statics"]["1021"]["picture"], [0, 0])
                self.assertFalse(os.path.exists(self.beside("PopWnd.jpg.part")))

    def test_text_only_notice_minimised_keeps_it_and_a_click_opens_the_web_link(self):
        # A title longer than the window is wide stays on one line.
        title = "新版本「星海」今日开放，全服玩家登录即可领取双倍经验与限定坐骑"
        line = self.publish(link=self.service.url("/news.htm?from=notice"), title=title)
        snaps = self.drive("notice", "snap", "minimize", "snap")
        first = snaps[0]
        self.assert_bottom_right(first)
        width = first["rect"][2] - first["rect"][0]
        statics = first["statics"]
        self.assertEqual(statics["1020"]["rect"], [0, 45, width, 60])
        shown = statics["1020"]["text"]
        self.assertTrue(shown.endswith("...") and title.startswith(shown[:-3]) and len(shown) > 10, shown)
        self.assertEqual(statics["1021"]["rect"][:3], [18, 65, width - 16])
        self.assertEqual(statics["1021"]["text"], CONTENT[:71] + "...")
        self.assertEqual(statics["1022"]["rect"][:3], [195, 145, 237])
        self.assertEqual(statics["1019"]["visible"], False)
        self.assertEqual((snaps[1]["visible"], snaps[1]["popenable"]), (False, "1"))

        # Shown again at the next start; the link opens in the browser (here a program that
        # fetches it) and the notice is dismissed.
        # The "browser" fetches quietly: it shares the tool's output, and curl's progress
        # meter written into the middle of a state line would hide that line.
        browser = self.beside("fetch.sh")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nexec curl -s -o /dev/null "$@"\n')
        os.chmod(browser, 0o755)
        snaps = self.drive("notice", "browser:" + browser, "snap", "click:1022", "snap")
        self.assertEqual([s["visible"] for s in snaps], [True, False])
        self.assertEqual((snaps[1]["popinfo"], snaps[1]["popenable"]), (line, "0"))
        [opened] = self.service.wait_for_requests(path="/news.htm", count=1, timeout=20)
        self.assertEqual(opened.query, "from=notice")

    def test_no_notice_expired_or_malformed_shows_nothing_and_stores_nothing(self):
        self.publish(expiry=self.today - datetime.timedelta(days=1))
        cases = [("yesterday", None), ("missing", "404"), ("too long", None), ("six fields", None)]
        for name, fault in cases:
            with self.subTest(name):
                self.service.clear_faults()
                if name == "missing":
                    self.service.set_fault("/notice/zelqa7.txt", fault)
                elif name == "too long":
                    self.service.put_file("/notice/zelqa7.txt", b"n|2099-01-01|t|l|c||0|" + b"x" * 1002)
                elif name == "six fields":
                    self.service.set_notice("n|2099-01-01|t|l|c|")
                self.assert_not_shown(self.drive("notice", "snap", "wait:200", "snap"))


class GameDownloadTests(DialogsCase):
    CONFIG = "/update/ConfigTessaly.htm"
    INSTALLER = "/files/TessalySetup.exe"

    def configure(self, upd_addr):
        text = "[VerKey]\r\nTessaly=0123456789abcdef\r\n"
        if upd_addr is not None:
            text += "UpdAddr=%s\r\n" % upd_addr
        self.service.put_file(self.CONFIG, text)

    def paths(self):
        requests = self.service.requests()
        self.service.clear_requests()
        return [r.path for r in requests]

    def test_the_installer_is_downloaded_started_and_each_failure_reported(self):
        with open(MARKER, "rb") as f:
            installer = f.read()
        self.service.put_file(self.INSTALLER, installer)
        self.configure(self.service.url(self.INSTALLER))
        # Escape and Enter while it downloads change nothing.
        [out] = self.drive("download", "Tessaly", "esc-at:0", "enter-at:0")
        self.assertEqual(out["result"], 1)  # ended by OK
        self.assertEqual(out["titles"], ["游戏下载中...", "下载完成"])
        self.assertEqual(out["configUrl"], self.service.url(self.CONFIG))
        self.assertEqual(out["labels"][-1], "已加载  100%")
        self.assertTrue(all(label.startswith("已加载  ") for label in out["labels"][1:]))
        self.assertEqual(out["positions"][-1], 100)
        self.assertEqual(out["positions"], sorted(out["positions"]))
        self.assertTrue(out["okEnabled"] and not out["cancelEnabled"] and out["openAfterKeys"])
        # The installer ran, without arguments, from the data folder (only administrators
        # write there), not from the player's temporary folder.
        self.assertEqual(out["installerPath"], INSTALLER_FOLDER + "\\Tessaly.exe")
        self.assertEqual(out["installerRun"].split("\n")[:2], ["1", '"%s"' % out["installerPath"]])
        self.assertFalse(out["configFileExists"])
        self.assertEqual(self.paths(), [self.CONFIG, self.INSTALLER])

        # Each failure: the title says so, no installer is run or left behind; an installer
        # that trickles in fails within the progress window (shortened here), and no
        # redirect abroad is followed, neither the configuration's nor the installer's.
        # Without a configuration only Cancel closes; after a failed download, OK.
        foreign = "http://127.1:%d%s" % (self.service.port, self.INSTALLER)  # reaches this service
        installer = self.service.url(self.INSTALLER)
        remove_started_installer(out["installerPath"])
        elsewhere = "http://127.1:%d/update/ConfigElsewhere.htm" % self.service.port
        no_download, failed_download = (2, False, True), (1, True, False)
        for name, launcher, upd_addr, fault, requested, buttons in [
                ("no configuration", "Tessaly", "", (self.CONFIG, "404", {}), [self.CONFIG], no_download),
                ("configuration redirected abroad", "Tessaly", installer, (self.CONFIG, "redirect", {"to": elsewhere}),
                 [self.CONFIG], no_download),
                ("no address", "Tessaly", None, None, [self.CONFIG], failed_download),
                ("foreign host", "Tessaly", foreign, None, [self.CONFIG], failed_download),
                ("name with a path", "..\\Tessaly", installer, None, [], no_download),
                ("trickling installer", "Tessaly", installer, (self.INSTALLER, "trickle", {"every": 0.3}),
                 [self.CONFIG, self.INSTALLER], failed_download),
                ("redirect abroad", "Tessaly", installer, (self.INSTALLER, "redirect", {"to": foreign}),
                 [self.CONFIG, self.INSTALLER], failed_download)]:
            with self.subTest(name), mock.patch.dict(os.environ, {"VORN_TEST_PROGRESS_WINDOW_MS": "2000"}):
                self.configure(upd_addr)
                if fault:
                    self.service.set_fault(fault[0], fault[1], **fault[2])
                [out] = self.drive("download", launcher)
                self.service.clear_faults()
                self.assertEqual(out["titles"][-1], "下载失败")
                self.assertNotIn("下载完成", out["titles"])
                self.assertEqual((out["result"], out["okEnabled"], out["cancelEnabled"]), buttons)
                self.assertIsNone(out["installerRun"])
                self.assertFalse(out["configFileExists"])
                self.assertFalse(out["installerExists"])
                self.assertEqual(self.paths(), requested)

    def test_a_signed_launcher_starts_only_its_publishers_installer(self):
        certs = signing.Certificates(self.scratch)
        # The launcher running the dialog is signed, as a release is.
        certs.sign(TOOL, self.tool, certs.publisher)
        self.configure(self.service.url(self.INSTALLER))
        with open(MARKER, "rb") as f:
            unsigned = f.read()
        for name, installer, title in [
                ("unsigned", unsigned, "下载失败：安装程序没有数字签名"),
                ("another publisher", certs.signed_bytes(MARKER, certs.other), "下载失败：安装程序不是本登录器的发布者签名的"),
                ("the publisher's name with another key", certs.signed_bytes(MARKER, certs.forger),
                 "下载失败：安装程序不是本登录器的发布者签名的"),
                ("altered after signing", signing.altered(certs.signed_bytes(MARKER, certs.publisher)),
                 "下载失败：安装程序的数字签名无效"),
                ("the publisher's renewed certificate", certs.signed_bytes(MARKER, certs.renewed), "下载完成")]:
            with self.subTest(name):
                self.service.put_file(self.INSTALLER, installer)
                [out] = self.drive("download", "Tessaly")
                self.assertEqual(out["titles"], ["游戏下载中...", title])
                self.assertEqual(self.paths(), [self.CONFIG, self.INSTALLER])
                if title == "下载完成":
                    self.assertEqual(out["installerRun"].split("\n")[0], "1")
                    remove_started_installer(out["installerPath"])
                else:
                    # Refused: deleted, never started; OK acknowledges it.
                    self.assertEqual((out["result"], out["okEnabled"], out["cancelEnabled"]), (1, True, False))
                    self.assertIsNone(out["installerRun"])
                    self.assertFalse(out["installerExists"])

    def test_cancel_or_close_in_the_middle_stops_and_leaves_no_partial_installer(self):
        # Eight seconds for the whole transfer: longer than the dialog waits for its worker,
        # so a transfer that is not really stopped would still be writing its file.
        self.service.put_file(self.INSTALLER, os.urandom(320 * 1024))
        self.service.set_fault(self.INSTALLER, "slow", delay=0, chunk=4096, interval=0.1)
        self.configure(self.service.url(self.INSTALLER))
        for action in ("cancel-at:25", "close-at:25"):
            with self.subTest(action):
                [out] = self.drive("download", "Tessaly", action)
                self.assertEqual(out["result"], 2)
                self.assertEqual(out["titles"], ["游戏下载中..."])
                self.assertLess(out["positions"][-1], 100)
                self.assertFalse(out["installerExists"])
                self.assertIsNone(out["installerRun"])
                self.assertTrue(out["ownerEnabled"])
