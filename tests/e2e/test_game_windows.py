"""The game processes of the real executable: the launcher started from its shortcut
switch opens its first game process, whose login background lies over the launcher and
asks the service for the login page, and Esc there ends the launcher that has no tab; a
"/gmhall" process announces its frame, moves into the launcher, opens the hall page, writes
a favourite on Ctrl+D and ends when the launcher is gone. For the latter a stand-in
launcher window (a test program) plays the launcher's side and logs what reaches it."""
import glob
import os
import shutil
import subprocess
import time

from tests.e2e import harness
from tools.standin import StandInService

TITLE = harness.WINDOW_TITLE
LAUNCHER = os.path.join(harness.BUILD, "tests", "win", "web", "vorn_test_launcher.exe")
SCREENSHOTS = os.path.join(harness.REPO, "build", "e2e-screenshots")
WM_KEYDOWN, WM_CHAR, WS_EX_LAYERED, WS_CHILD = 0x100, 0x102, 0x80000, 0x40000000
SC_CLOSE = 0xF060
VK_ESCAPE = 0x1B


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def display():
    return os.environ.get("DISPLAY") or ":" + os.environ.get("VORN_XVFB_DISPLAY", "77")


class GameWindowTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(LAUNCHER):
            self.skipTest("the stand-in launcher is missing; run scripts/build.sh windows")
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        self.log = os.path.join(self.scratch, "launcher.log")

    def start_stand_in_launcher(self):
        self.start(LAUNCHER, windows_path(self.log))
        deadline = time.monotonic() + 40
        while not self.log_lines() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertTrue(self.log_lines(), "the stand-in launcher did not start")
        self.launcher = int(self.log_lines()[0].split()[1])

    def start(self, *command):
        proc = subprocess.Popen([harness.WINE_EXEC, *command], env=harness.wine_env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, proc)
        return proc

    @staticmethod
    def stop(proc):
        if proc.poll() is None:
            proc.kill()
            proc.wait(timeout=30)

    def log_lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return f.read().splitlines()

    def wait_for_log(self, predicate, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = [line for line in self.log_lines()[1:] if predicate(line)]
            if found:
                return found
            time.sleep(0.1)
        self.fail("the launcher never got it; log: %r" % self.log_lines())

    def wait_for_window(self, title, owner=None, timeout=40):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            _, found = harness.probe("find", "--title", title, "--visible")
            found = [w for w in found if owner is None or w["owner"] == owner]
            if found:
                return found[0]
            time.sleep(0.2)
        self.fail("no window %r" % title)

    def screenshot(self, name):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        path = os.path.join(SCREENSHOTS, name)
        subprocess.run(["import", "-display", display(), "-window", "root", path], check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def test_the_launchers_first_login_lies_over_it_and_escape_ends_both(self):
        folder = harness.prefix_path(*harness.DATA_FOLDER)
        os.makedirs(folder, exist_ok=True)
        shutil.copy(harness.EXE, os.path.join(folder, "Zelqa7.exe"))
        with open(harness.EXE, "rb") as f:
            self.service.set_update_config(f.read(), self.service.url("/files/Zelqa7.exe"))  # no update
        launcher_proc = self.start("C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe", "/Zelqa7D")
        launcher = self.wait_for_window(TITLE, owner=0)
        background = self.wait_for_window(TITLE, owner=launcher["hwnd"])
        self.assertNotEqual(background["pid"], launcher["pid"])
        left, top, right, bottom = background["rect"]
        self.assertEqual((right - left, bottom - top), (888, 518))
        self.assertTrue(background["exstyle"] & WS_EX_LAYERED)
        # The launcher keeps itself at one pixel meanwhile: the login is on the screen
        # rather than centred over that pixel.
        self.assertEqual(launcher["rect"][2] - launcher["rect"][0], 1)
        self.assertGreaterEqual(left, 0)
        self.assertGreaterEqual(top, 0)
        requests = self.service.wait_for_requests(path="/act/wd/main/index/277", timeout=30)
        self.assertEqual(requests[0].method, "GET")
        self.screenshot("login-over-launcher.png")

        harness.probe("sendkey", background["hwnd"], VK_ESCAPE)
        self.assertEqual(launcher_proc.wait(timeout=40), 0)
        self.assertEqual(harness.probe("gone", background["hwnd"], "--timeout", 10000)[0], 0)

    def test_gmhall_moves_into_the_launcher_keeps_favourites_and_ends_with_it(self):
        self.start_stand_in_launcher()
        game = self.start(harness.EXE, "/gmhall", "/%d" % self.launcher)
        [announced] = self.wait_for_log(lambda line: line.startswith("user2 "))
        _, frame, is_hall = announced.split()
        self.assertEqual(is_hall, "1")
        frame = int(frame)
        _, [info] = harness.probe("info", frame)
        self.assertEqual(info["parent"], self.launcher)
        self.assertTrue(info["style"] & WS_CHILD)
        self.assertEqual(info["title"], TITLE)
        self.service.wait_for_requests(path="/webgame.htm", timeout=30)

        # Ctrl+D in the page: the favourites question, a Chinese name typed, saved.
        _, children = harness.probe("children", frame)
        [view] = [c for c in children if c["id"] == 0xE900]
        harness.probe("post", view["hwnd"], WM_CHAR, 4, 0x00200001)
        question = self.wait_for_window("添加收藏", owner=self.launcher)
        self.assertEqual(harness.probe("settext", question["hwnd"], 1018, "游戏大厅")[0], 0)
        self.assertEqual(harness.probe("clickitem", question["hwnd"], 1)[0], 0)
        [folder] = glob.glob(harness.prefix_path("users", "*", "Favorites"))
        path = os.path.join(folder, "游戏大厅.url")
        deadline = time.monotonic() + 20
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.1)
        with open(path, "rb") as f:
            # The page never reported its address under this browser control.
            self.assertEqual(f.read(), b"[DEFAULT]\r\nBASEURL=\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n"
                                       b"[InternetShortcut]\r\nURL=\r\nIDList=\r\n")

        # The launcher killed, the game process follows within its watch period.
        killed = time.monotonic()
        self.assertEqual(harness.probe("kill", self.launcher)[0], 0)
        self.assertEqual(game.wait(timeout=30), 0)
        print("\ngame process ended %.1f s after its launcher" % (time.monotonic() - killed))
        self.assertLess(time.monotonic() - killed, 5)
