"""The launcher main window as players and its game processes meet it: the real
executable, installed and started from its shortcut, with the test build's stand-in
playing each game process (it registers a title, makes a game window, announces it and
moves it into the launcher, and records what it receives)."""
import codecs
import os
import re
import shutil

from tests.e2e import harness
from tests.e2e.launcher_rig import (
    BM_CLICK, HTCLIENT, INSTALLED_EXE, OWN_MARKER, SC_CLOSE, WM_ADD_ACCOUNT_ANSWER, WM_CHAR, WM_KEYDOWN,
    WM_MBUTTONUP, WM_NCHITTEST, WM_SYSCOMMAND, WM_WINDOW_ARRIVED, LauncherRig, answer_box, boxes_of,
    children_by_id, info, launcher_windows, wait_until)
from tools.standin import StandInService

VK_F2, VK_F5 = 0x71, 0x74
YES_NO = ["是", "否"]


def lparam(x, y):
    return (y << 16) | x


class LauncherTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        folder = harness.prefix_path(*harness.DATA_FOLDER)
        os.makedirs(folder, exist_ok=True)
        shutil.copy(harness.EXE, os.path.join(folder, "Zelqa7.exe"))
        with open(harness.EXE, "rb") as f:
            self.service.set_update_config(f.read(), self.service.url("/files/Zelqa7.exe"))  # no update
        # The window-switch key as F2, so that a posted key selects without modifiers held.
        with open(os.path.join(folder, "Statistic.ini"), "wb") as f:
            f.write(codecs.BOM_UTF16_LE + "[Zelqa7]\r\nAltWndKey=0,113\r\n".encode("utf-16-le"))
        self.rig = LauncherRig(self.scratch)
        self.addCleanup(self.rig.stop)

    def frame_state(self, child):
        return info(child.frame)

    def assert_placed(self, launcher, child):
        """The game window fills the launcher's client area inset 4/30/4/4, and is shown."""
        left, top, right, bottom = info(launcher)["rect"]
        frame = self.frame_state(child)
        self.assertEqual(frame["parent"], launcher)
        self.assertEqual(frame["rect"], [left + 4, top + 30, right - 4, bottom - 4])
        self.assertTrue(frame["visible"])

    def visible_frames(self, children):
        return [c for c in children if self.frame_state(c)["visible"]]

    def login(self, child, title):
        self.assertTrue(child.register("login", title))
        wait_until(lambda: (info(child.frame) or {}).get("visible"), what="the game window")

    def test_tabs_from_first_login_to_exit(self):
        launcher_proc = self.rig.start(INSTALLED_EXE, "/Zelqa7D")
        first = self.rig.new_child(timeout=60)
        main = first.launcher
        state = info(main)
        self.assertEqual(state["class"], "#32770")
        self.assertEqual(state["title"], "Vorn - Mirelund")
        # Practically invisible at (0, 0) until the first game window arrives.
        self.assertEqual(state["rect"], [0, 0, 1, 1])
        controls = children_by_id(main)
        self.assertEqual(controls[1003]["title"], "系统")
        self.assertEqual(controls[1005]["title"], "登录其他账号")
        self.assertTrue({1001, 1002, 50000, 50001, 50002} <= set(controls))
        # The first game process: its own path quoted, the launcher's handle, tab count 0.
        self.assertEqual(first.cmdline, f'"{INSTALLED_EXE}" /newgm /{main} /0')
        # The start-up report went out while the window is up.
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
        self.assertIsNone(launcher_proc.poll())

        # Copy data is read within its size: no data, an odd size, no terminator: refused.
        first.command("badcopy")
        self.assertEqual(first.wait_event("bad"), ["0 0 0"])

        self.login(first, "一区 张三")
        work = info(main)["rect"]
        self.assertGreater(work[2] - work[0], 600)  # maximised onto the work area
        self.assertEqual(first.wait_event("sound"), ["0"])  # the 400 ms sound push runs

        # Announcements the launcher must not follow: the same window again, itself, a
        # handle that names no window. Each would otherwise become a tab (tab count 2).
        first.command("announce")
        harness.probe("post", main, WM_WINDOW_ARRIVED, main, 0)
        harness.probe("post", main, WM_WINDOW_ARRIVED, 0x7FFF0001, 0)

        # The link asks; Enter in the question means "是": a game process for tab 2.
        link = children_by_id(main)[1005]
        harness.probe("click", link["hwnd"], 20, 8)
        question = wait_until(lambda: next((w for w in harness.probe("find", "--title", "登录其他账号", "--visible")[1]
                                            if w["class"] == "#32770"), None), what="the add-account question")
        self.assertEqual(question["rect"][2], link["rect"][2])
        self.assertEqual(question["rect"][1], link["rect"][3])
        self.assertEqual(question["client"], [284, 150])
        left, top = question["rect"][:2]
        buttons = children_by_id(question["hwnd"])
        for button_id, caption in ((1, "是"), (2, "否")):
            rect = buttons[button_id]["rect"]
            self.assertEqual(buttons[button_id]["title"], caption)
            self.assertEqual((rect[2] - rect[0], rect[3] - rect[1]), (57, 23))
            self.assertLessEqual(rect[2], question["rect"][2])  # on the picture
        _, [hit] = harness.probe("send", question["hwnd"], WM_NCHITTEST, 0, lparam(left + 100, top + 10))
        self.assertEqual(hit["result"], HTCLIENT)  # the caption band does not drag it
        harness.probe("sendkey", question["hwnd"], 0x0D)
        second = self.rig.new_child()
        self.assertEqual(second.cmdline, f'"{INSTALLED_EXE}" /newgm /{main} /1')
        self.assertFalse(info(question["hwnd"])["visible"])

        # The same account on the same server is refused; another is a second tab.
        self.assertFalse(second.register("login", "一区 张三"))
        self.login(second, "二区 李四")
        self.assertFalse(self.frame_state(first)["visible"])

        # A process that registers a title (as the login page does, naming no window) and
        # dies leaves nothing behind: the account can log in again.
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        doomed = self.rig.new_child()
        self.assertTrue(doomed.register("register", "三区 王五"))
        doomed.command("exit")
        self.assertTrue(doomed.gone())
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        third = self.rig.new_child()
        self.assertTrue(third.cmdline.endswith(" /2"))
        self.login(third, "三区 王五")
        tabs = [first, second, third]

        # A fourth is refused with a message, and nothing starts.
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        box = answer_box(main, ["确定"], 5000)
        self.assertEqual(box["owner"], main)
        self.assertTrue(self.rig.no_new_child())

        # The window-switch key cycles; a key the program marked as its own does not.
        self.assertEqual(self.visible_frames(tabs), [third])
        harness.probe("post", main, WM_KEYDOWN, VK_F2, OWN_MARKER)
        harness.probe("post", main, WM_KEYDOWN, VK_F2, 1)
        wait_until(lambda: self.visible_frames(tabs) == [first], what="the first tab")
        self.assert_placed(main, first)
        harness.probe("post", main, WM_KEYDOWN, VK_F2, 1)
        wait_until(lambda: self.visible_frames(tabs) == [second], what="the second tab")
        self.assert_placed(main, second)

        # F5 and Ctrl+D go to the selected tab unchanged; a Ctrl+D of another key does not.
        harness.probe("post", main, WM_KEYDOWN, VK_F5, 0x3F0001)
        harness.probe("post", main, WM_CHAR, 4, 0x210001)
        harness.probe("post", main, WM_CHAR, 4, 0x200001)
        wait_until(lambda: (WM_CHAR, 4, 0x200001) in second.messages(), what="Ctrl+D in the second tab")
        self.assertEqual(second.messages(), [(WM_KEYDOWN, VK_F5, 0x3F0001), (WM_CHAR, 4, 0x200001)])
        self.assertEqual(first.messages() + third.messages(), [])

        # Esc, Enter and Space do nothing; the sound button silences every tab.
        for key in (0x1B, 0x0D, 0x20):
            harness.probe("sendkey", main, key)
        harness.probe("clickitem", main, 1002)
        for child in tabs:
            child.wait_event("sound", "1")
        self.assertEqual(boxes_of(main), [])
        self.assertIsNone(launcher_proc.poll())

        # The close box of the first tab: selected and pressed on the way down, the
        # question on the way up; "否" keeps it, "是" closes it.
        close_box = (120 + 176 + 6, 8)
        harness.probe("click", main, *close_box)
        answer_box(main, YES_NO, 5001)
        self.assertEqual(self.frame_state(first)["parent"], main)
        self.assertEqual(self.visible_frames(tabs), [first])
        harness.probe("click", main, *close_box)
        answer_box(main, YES_NO, 5000)
        first.wait_event("msg", f"{WM_SYSCOMMAND} {SC_CLOSE} 0")
        self.assertTrue(first.gone())
        # The tab to its right takes its place and is shown.
        wait_until(lambda: self.visible_frames([second, third]) == [second], what="the second tab shown")
        self.assert_placed(main, second)

        # A middle click on a tab closes it the same way.
        harness.probe("post", main, WM_MBUTTONUP, 0, lparam(120 + 189 + 60, 12))
        answer_box(main, YES_NO, 5000)
        third.wait_event("msg", f"{WM_SYSCOMMAND} {SC_CLOSE} 0")
        self.assertEqual(self.visible_frames([second]), [second])

        # A login cancelled beside an open tab is forgotten quietly.
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        cancelled = self.rig.new_child()
        self.assertTrue(cancelled.cmdline.endswith(" /1"))
        cancelled.command("cancel")
        self.assertTrue(cancelled.gone())
        self.assertEqual(boxes_of(main), [])

        # With a tab open, closing asks first; "否" keeps the launcher.
        harness.probe("post", main, WM_SYSCOMMAND, SC_CLOSE, 0)
        answer_box(main, YES_NO, 5001)
        self.assertIsNone(launcher_proc.poll())
        # Closing the last tab is closing the launcher: the same question, then the end.
        harness.probe("post", main, WM_MBUTTONUP, 0, lparam(120 + 60, 12))
        answer_box(main, YES_NO, 5000)
        self.assertEqual(launcher_proc.wait(timeout=30), 0)
        second.wait_event("msg", f"{WM_SYSCOMMAND} {SC_CLOSE} 0")

    def test_without_tabs_the_launcher_ends_without_asking(self):
        launcher_proc = self.rig.start(INSTALLED_EXE)
        first = self.rig.new_child(timeout=60)
        main = first.launcher

        # "否" in the question starts an independent launcher, with its own first game
        # process; closing that one while only its login shows ends both at once.
        link = children_by_id(main)[1005]
        harness.probe("click", link["hwnd"], 20, 8)
        question = wait_until(lambda: next(iter(harness.probe("find", "--title", "登录其他账号", "--visible")[1]),
                                           None), what="the add-account question")
        harness.probe("sendkey", question["hwnd"], 0x1B)  # Esc means "否"
        other = self.rig.new_child(timeout=60)
        self.assertNotEqual(other.launcher, main)
        self.assertEqual(other.cmdline, f'"{INSTALLED_EXE}" /newgm /{other.launcher} /0')
        self.assertEqual(len(launcher_windows()), 2)
        harness.probe("post", other.launcher, WM_SYSCOMMAND, SC_CLOSE, 0)
        self.assertTrue(other.gone())
        self.assertEqual(harness.probe("gone", other.launcher, "--timeout", 15000)[0], 0)

        # A cancelled first login ends the launcher quietly.
        first.command("cancel")
        self.assertEqual(launcher_proc.wait(timeout=30), 0)
        self.assertEqual(harness.probe("find", "--title", "Vorn - Mirelund", "--class", "#32770")[0], 1)
