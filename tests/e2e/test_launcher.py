"""The launcher main window as players and its game processes meet it: the real
executable, installed and started from its shortcut, with the test build's stand-in
playing each game process (it registers a title, makes a game window, announces it and
moves it into the launcher, and records what it receives)."""
import codecs
import datetime
import glob
import os
import re
import shutil
import subprocess
import time

from tests.e2e import harness
from tests.e2e.launcher_rig import (
    BM_CLICK, HTCLIENT, INSTALLED_EXE, OWN_MARKER, SC_CLOSE, VK_DOWN, VK_UP, WM_ADD_ACCOUNT_ANSWER, WM_CHAR,
    WM_KEYDOWN, WM_LBUTTONUP, WM_MBUTTONUP, WM_NCHITTEST, WM_RBUTTONUP, WM_SYSCOMMAND, WM_TRAY_CALLBACK,
    WM_WINDOW_ARRIVED, LauncherRig, answer_box, boxes_of, children_by_id, choose_in_menu, focus_by_click, info,
    input_state, launcher_windows, notice_of, open_menu, start_focus_holder, tray_icons, wait_until, xdotool)
from tools.standin import StandInService
from tools.standin.formats import notice_line

VK_F2, VK_F5 = 0x71, 0x74
SC_MINIMIZE, SC_RESTORE = 0xF020, 0xF120
WM_RELOAD_HOT_KEYS, WM_GAME_RELOAD_HOT_KEYS = 0x0404, 0x0407
YES_NO = ["是", "否"]
NOTICE_PATH = "/notice/zelqa7.txt"
NOTICE_TITLE = "开服公告"


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

    def notice_showing(self, main):
        return notice_of(main, NOTICE_TITLE)

    def test_tabs_from_first_login_to_exit(self):
        line = notice_line("n1", datetime.date.today().isoformat(), NOTICE_TITLE, self.service.url("/news.htm"),
                           "维护公告", "", 0)
        self.service.set_notice(line)
        launcher_proc = self.rig.start(INSTALLED_EXE, "/Zelqa7D")
        first = self.rig.new_child(timeout=60)
        main = first.launcher
        state = info(main)
        self.assertEqual(state["class"], "#32770")
        # The tests run the development build, whose windows say so.
        self.assertEqual(state["title"], "Vorn - Mirelund (development build)")
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
        # The notice, fetched away from the window a little after the first tab, shows once
        # its line is there, and is stored as the last one shown.
        self.assertIsNotNone(wait_until(lambda: self.notice_showing(main), timeout=30, what="the notice"))
        stored = harness.read_ini(os.path.join(harness.prefix_path(*harness.DATA_FOLDER), "Statistic.ini"))
        self.assertEqual((stored["PopInfo"], stored["PopEnable"]), (line, "1"))

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

        # A login killed after registering its title, while its dialog holds the launcher
        # disabled, leaves nothing behind: the launcher is enabled again and the account
        # can log in again. Its end does not give the launcher back under the launcher's
        # own box (the exit question, open before the login came); the box's end does.
        harness.probe("post", main, WM_SYSCOMMAND, SC_CLOSE, 0)
        wait_until(lambda: boxes_of(main), what="the exit question")
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        doomed = self.rig.new_child()
        doomed.command("hold")
        self.assertTrue(doomed.register("register", "三区 王五"))
        self.assertEqual(harness.probe("kill", doomed.control)[0], 0)
        time.sleep(2.0)
        self.assertFalse(info(main)["enabled"])
        answer_box(main, YES_NO, 5001)
        wait_until(lambda: info(main)["enabled"], what="the launcher given back")
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        crashing = self.rig.new_child()
        self.assertTrue(crashing.cmdline.endswith(" /2"))
        self.login(crashing, "三区 王五")

        # A fourth is refused with a message, and nothing starts; a burst of such answers
        # from another process opens that message once.
        crashing.command("answers 1 5")
        box = answer_box(main, ["确定"], 5000)
        self.assertEqual(box["owner"], main)
        self.assertTrue(self.rig.no_new_child())
        self.assertEqual(boxes_of(main), [])

        # A background tab's process that crashes takes its tab with it and leaves the
        # selected tab selected; the next game process counts two tabs, and the account
        # logs in again.
        harness.probe("post", main, WM_KEYDOWN, VK_F2, 1)
        wait_until(lambda: self.visible_frames([first, second, crashing]) == [first], what="the first tab")
        self.assertEqual(harness.probe("kill", crashing.control)[0], 0)
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        third = self.rig.new_child()
        self.assertTrue(third.cmdline.endswith(" /2"))
        self.assertEqual(self.visible_frames([first, second]), [first])
        self.assert_placed(main, first)
        self.login(third, "三区 王五")
        tabs = [first, second, third]
        self.assertIsNone(launcher_proc.poll())

        # The window-switch key cycles; a key the program marked as its own does not.
        self.assertEqual(self.visible_frames(tabs), [third])
        harness.probe("post", main, WM_KEYDOWN, VK_F2, OWN_MARKER)
        harness.probe("post", main, WM_KEYDOWN, VK_F2, 1)
        wait_until(lambda: self.visible_frames(tabs) == [first], what="the first tab")
        self.assert_placed(main, first)
        harness.probe("post", main, WM_KEYDOWN, VK_F2, 1)
        wait_until(lambda: self.visible_frames(tabs) == [second], what="the second tab")
        self.assert_placed(main, second)
        # Minimised, the launcher leaves the game window's size alone (its page is not laid
        # out again); restored, the window fills the launcher again.
        size = info(second.frame)["client"]
        harness.probe("post", main, WM_SYSCOMMAND, SC_MINIMIZE, 0)
        wait_until(lambda: info(main)["iconic"], what="the launcher minimised")
        self.assertEqual(info(second.frame)["client"], size)
        harness.probe("post", main, WM_SYSCOMMAND, SC_RESTORE, 0)
        wait_until(lambda: not info(main)["iconic"], what="the launcher restored")
        wait_until(lambda: info(second.frame)["client"] == size, what="the game window's size")
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
        # Hidden before it left the launcher: no window at the screen's corner meanwhile.
        self.assertEqual(first.events("closing"), ["0 0"])
        self.assertTrue(first.gone())
        # The tab to its right takes its place and is shown.
        wait_until(lambda: self.visible_frames([second, third]) == [second], what="the second tab shown")
        self.assert_placed(main, second)

        # A middle click on a tab closes it the same way.
        harness.probe("post", main, WM_MBUTTONUP, 0, lparam(120 + 189 + 60, 12))
        answer_box(main, YES_NO, 5000)
        third.wait_event("msg", f"{WM_SYSCOMMAND} {SC_CLOSE} 0")
        self.assertEqual(self.visible_frames([second]), [second])

        # Two logins cancelled beside an open tab, the older first, are forgotten quietly:
        # neither reaches the exit question.
        cancelled = []
        for _ in range(2):
            harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
            cancelled.append(self.rig.new_child())
            self.assertTrue(cancelled[-1].cmdline.endswith(" /1"))
        for login in cancelled:
            login.command("cancel")
            self.assertTrue(login.gone())
        self.assertTrue(self.rig.no_new_child())
        self.assertEqual(boxes_of(main), [])
        self.assertEqual(self.visible_frames([second]), [second])

        # Two logins still under way when the launcher ends are both ended with it (a login
        # dialog does not watch its launcher).
        under_way = []
        for _ in range(2):
            harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
            under_way.append(self.rig.new_child())
            under_way[-1].command("stay")

        # With a tab open, closing asks first; "否" keeps the launcher.
        harness.probe("post", main, WM_SYSCOMMAND, SC_CLOSE, 0)
        answer_box(main, YES_NO, 5001)
        self.assertIsNone(launcher_proc.poll())
        # Closing the last tab is closing the launcher: the same question, then the end.
        harness.probe("post", main, WM_MBUTTONUP, 0, lparam(120 + 60, 12))
        answer_box(main, YES_NO, 5000)
        self.assertEqual(launcher_proc.wait(timeout=30), 0)
        second.wait_event("msg", f"{WM_SYSCOMMAND} {SC_CLOSE} 0")
        self.assertEqual(second.events("closing"), ["0 0"])
        for login in under_way:
            self.assertTrue(login.gone())

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
        answered = time.monotonic()
        other = self.rig.new_child(timeout=60)
        self.assertNotEqual(other.launcher, main)
        self.assertEqual(other.cmdline, f'"{INSTALLED_EXE}" /newgm /{other.launcher} /0')
        self.assertEqual(len(launcher_windows()), 2)
        harness.probe("post", other.launcher, WM_SYSCOMMAND, SC_CLOSE, 0)
        self.assertTrue(other.gone())
        self.assertEqual(harness.probe("gone", other.launcher, "--timeout", 15000)[0], 0)

        # A burst of "new window" answers from another process starts one launcher, not
        # five; its first login, killed while it holds that launcher, ends it quietly.
        # The launcher starts at most one new launcher a second: the burst comes once the
        # second since the answer above has passed (on a quiet machine it is shorter).
        time.sleep(max(0.0, answered + 1.5 - time.monotonic()))
        first.command("answers 0 5")
        burst = self.rig.new_child(timeout=60)
        self.assertNotIn(burst.launcher, (main, other.launcher))
        self.assertTrue(self.rig.no_new_child())
        self.assertEqual(len(launcher_windows()), 2)
        burst.command("hold")
        wait_until(lambda: not info(burst.launcher)["enabled"], what="the new launcher held by its login")
        self.assertEqual(harness.probe("kill", burst.control)[0], 0)
        self.assertEqual(harness.probe("gone", burst.launcher, "--timeout", 15000)[0], 0)
        self.assertEqual(boxes_of(main), [])

        # A cancelled first login ends the launcher quietly.
        first.command("cancel")
        self.assertEqual(launcher_proc.wait(timeout=30), 0)
        self.assertEqual(harness.probe("find", "--title", harness.WINDOW_TITLE, "--class", "#32770")[0], 1)


    def center_click(self, hwnd):
        harness.probe("front", hwnd)  # over the maximised launcher
        left, top, right, bottom = info(hwnd)["rect"]
        focus_by_click(hwnd, (left + right) // 2, (top + bottom) // 2)

    def button_pixels(self, hwnd):
        left, top, right, bottom = info(hwnd)["rect"]
        out = os.path.join(self.scratch, "button.rgb")
        subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", "-crop",
                        f"{right - left}x{bottom - top}+{left}+{top}", "-depth", "8", "rgb:" + out], check=True)
        with open(out, "rb") as f:
            return f.read()

    def box_width(self, main):
        box = wait_until(lambda: next(iter(boxes_of(main)), None), what="a message box")
        width = box["rect"][2] - box["rect"][0]
        answer_box(main, ["确定"], 5000)
        return width

    def settings_dialog(self):
        found = lambda: next(iter(harness.probe("find", "--title", "设置", "--visible")[1]), None)
        try:
            return wait_until(found, what="the settings dialog")["hwnd"]
        except AssertionError as e:
            shown = [(w["title"], w["class"]) for w in harness.probe("find", "--visible")[1]]
            raise AssertionError(f"{e}; visible windows: {shown}") from None

    def reloads(self, child):
        return child.events("msg").count(f"{WM_GAME_RELOAD_HOT_KEYS} 0 0")

    def test_hot_keys_tray_and_menus(self):
        """The keys a player presses without looking, typed for real (xdotool reaches the
        launcher's low-level hook while a Wine window has the focus), the tray icon's
        callbacks and both menus, chosen with the keyboard."""
        os.remove(os.path.join(harness.prefix_path(*harness.DATA_FOLDER), "Statistic.ini"))  # default keys
        # The notice is asked for 5 s after the first tab; its answer never comes here.
        self.service.set_fault(NOTICE_PATH, "slow", delay=300)
        pad = start_focus_holder(self.rig)
        launcher_proc = self.rig.start(INSTALLED_EXE)
        first = self.rig.new_child(timeout=60)
        main = first.launcher

        # Without a tab the global keys are dead: the 1 x 1 window stays as it is.
        self.center_click(pad)
        xdotool("key", "F10")
        time.sleep(1.0)
        self.assertTrue(info(main)["visible"])

        self.login(first, "一区 张三")
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        second = self.rig.new_child()
        self.login(second, "二区 李四")
        tabs = [first, second]

        # While the notice request hangs, F10 with the add-account question in front hides
        # the launcher and the question; F10 typed into another program brings it back.
        self.assertEqual(len(self.service.wait_for_requests(path=NOTICE_PATH, timeout=30)), 1)
        harness.probe("click", children_by_id(main)[1005]["hwnd"], 20, 8)
        question = wait_until(lambda: next(iter(harness.probe("find", "--title", "登录其他账号", "--visible")[1]),
                                           None), what="the add-account question")["hwnd"]
        self.center_click(question)
        xdotool("key", "F10")
        wait_until(lambda: not info(main)["visible"], what="the launcher hidden")
        self.assertFalse(info(question)["visible"])
        self.assertFalse(self.frame_state(second)["visible"])  # with its window
        # The key went on to the question, which did not take it as the way into its system
        # menu: that mode would swallow the next click anywhere.
        self.assertFalse(input_state(question)["menumode"])
        self.assertIsNone(launcher_proc.poll())
        self.center_click(pad)
        xdotool("key", "F10")
        wait_until(lambda: info(main)["visible"], what="the launcher restored")

        # Ctrl+Q from another program: every tab hears "silent" at the next 400 ms push,
        # and the sound button's picture changes; a second Ctrl+Q turns sound on again.
        sound_button = children_by_id(main)[1002]["hwnd"]
        sound_on = self.button_pixels(sound_button)
        self.center_click(pad)
        xdotool("key", "ctrl+q")
        for child in tabs:
            child.wait_event("sound", "1", timeout=3)
        wait_until(lambda: self.button_pixels(sound_button) != sound_on, timeout=3, what="the silent picture")
        xdotool("key", "ctrl+q")
        for child in tabs:
            wait_until(lambda c=child: c.events("sound")[-1] == "0", timeout=3, what="sound on again")

        # Ctrl+Tab switches tabs only while a launcher window has the focus.
        self.assertEqual(self.visible_frames(tabs), [second])
        xdotool("key", "ctrl+Tab")
        time.sleep(1.0)
        self.assertEqual(self.visible_frames(tabs), [second])
        left, top = info(main)["rect"][:2]
        harness.probe("front", main)
        focus_by_click(main, left + 60, top + 12)  # the caption, left of the tabs
        xdotool("key", "ctrl+Tab")
        wait_until(lambda: self.visible_frames(tabs) == [first], what="the next tab")

        # The tray icon: its left click hides and restores, its right click opens the menu.
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP)
        wait_until(lambda: not info(main)["visible"], what="hidden from the tray")
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP)
        wait_until(lambda: info(main)["visible"], what="restored from the tray")
        # A shell that restarts has lost every icon and says so ("TaskbarCreated"): the
        # launcher's comes back.
        self.assertEqual(tray_icons(), 1)
        self.assertEqual(harness.probe("trayremove", main, 1)[0], 0)
        wait_until(lambda: tray_icons() == 0, what="the icon gone with the shell")
        harness.probe("post", main, "TaskbarCreated", 0, 0)
        wait_until(lambda: tray_icons() == 1, what="the icon back")

        # The system menu under "系统": "刷新 (F5)" first, marked so that it always refreshes;
        # the version line last, which does nothing.
        harness.probe("clickitem", main, 1003)
        choose_in_menu(VK_DOWN)
        wait_until(lambda: (WM_KEYDOWN, VK_F5, OWN_MARKER) in first.messages(), what="F5 in the selected tab")
        harness.probe("clickitem", main, 1003)
        choose_in_menu(VK_UP)
        time.sleep(1.0)
        self.assertEqual(boxes_of(main), [])
        self.assertTrue(info(main)["visible"])

        # "更新": a check that could not read the configuration says so; a real answer of
        # the same release says it is up to date (a longer text, so a wider box).
        self.service.set_fault("/update/ConfigZelqa7.htm", "404")
        harness.probe("clickitem", main, 1003)
        choose_in_menu(*[VK_DOWN] * 4)
        failed = self.box_width(main)
        self.service.clear_faults()
        harness.probe("clickitem", main, 1003)
        choose_in_menu(*[VK_DOWN] * 4)
        self.assertGreater(self.box_width(main), failed)
        self.assertIsNone(launcher_proc.poll())
        # A check whose answer comes late leaves the window free: the tray icon hides it
        # meanwhile, and the answer that comes while it is hidden waits for its return.
        self.service.set_fault("/update/ConfigZelqa7.htm", "slow", delay=6)
        asked = len(self.service.wait_for_requests(path="/update/ConfigZelqa7.htm", count=0, timeout=0))
        harness.probe("clickitem", main, 1003)
        choose_in_menu(*[VK_DOWN] * 4)
        self.service.wait_for_requests(path="/update/ConfigZelqa7.htm", count=asked + 1, timeout=30)
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP)
        wait_until(lambda: not info(main)["visible"], what="hidden while the check hangs")
        time.sleep(9.0)  # the answer has come meanwhile
        self.assertEqual(boxes_of(main), [])
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP)
        wait_until(lambda: info(main)["visible"], what="restored while the check hangs")
        self.box_width(main)
        self.service.clear_faults()
        # A box open when the launcher hides ("清除缓存" has its answer) goes with it and
        # comes back with it.
        harness.probe("clickitem", main, 1003)
        choose_in_menu(*[VK_DOWN] * 3)
        wait_until(lambda: boxes_of(main), what="the cache box")
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP)
        wait_until(lambda: not info(main)["visible"], what="hidden over the cache box")
        self.assertEqual(boxes_of(main), [])
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP)
        wait_until(lambda: info(main)["visible"], what="restored with the cache box")
        answer_box(main, ["确定"], 5000)

        # "清除缓存" deletes only inside the player's profile: with the user's own shell folder
        # settings pointing the cache inside it and the application data outside, the first
        # is emptied and the second keeps every file (and the box says not all was cleared).
        [profile] = [p for p in glob.glob(harness.prefix_path("users", "*")) if not p.endswith("Public")]
        inside = os.path.join(profile, "Inside Cache")
        outside = harness.prefix_path("Foreign Data")
        planted = [os.path.join(inside, "sub", "page.htm"),
                   os.path.join(outside, "Macromedia", "Flash Player", "#SharedObjects", "x", "game.sol"),
                   os.path.join(outside, "Macromedia", "Flash Player", "#SharedObjects", "keep.txt")]
        for path in planted:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"x")
        shell_folders = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
        for name, folder in (("Cache", "C:\\users\\" + os.path.basename(profile) + "\\Inside Cache"),
                             ("AppData", r"C:\Foreign Data")):
            r = harness.run_windows("reg", "add", shell_folders, "/v", name, "/t", "REG_EXPAND_SZ", "/d", folder, "/f")
            self.assertEqual(r.code, 0, r.output)
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_RBUTTONUP)
        choose_in_menu(*[VK_DOWN] * 3)
        self.box_width(main)
        self.assertFalse(os.path.exists(inside))
        self.assertEqual([p for p in planted[1:] if not os.path.exists(p)], [])

        # "设置..." opens the settings dialog. Its boxes take any key, the current hot keys
        # included: typed there they are settings, not commands (the launcher stays, the
        # sound does not change). The boss key typed elsewhere ends it unsaved with the rest.
        harness.probe("clickitem", main, 1003)
        choose_in_menu(*[VK_DOWN] * 5)
        settings = self.settings_dialog()
        harness.probe("front", settings)
        heard = [len(c.events("sound")) for c in tabs]
        for box_id, keys, text in ((1014, "ctrl+q", "Ctrl  +  Q"), (1007, "F10", "F10")):
            left, top, right, bottom = children_by_id(settings)[box_id]["rect"]
            focus_by_click(children_by_id(settings)[box_id]["hwnd"], (left + right) // 2, (top + bottom) // 2)
            xdotool("key", "BackSpace")
            wait_until(lambda: children_by_id(settings)[box_id]["title"] == "无", what="the box cleared")
            xdotool("key", keys)
            wait_until(lambda: children_by_id(settings)[box_id]["title"] == text, what=f"{text!r} in the box")
        time.sleep(1.0)
        self.assertTrue(info(main)["visible"])
        self.assertTrue(info(settings)["visible"])
        self.assertEqual([len(c.events("sound")) for c in tabs], heard)
        self.center_click(pad)
        xdotool("key", "F10")
        wait_until(lambda: not info(main)["visible"], what="hidden over the settings")
        self.assertEqual(harness.probe("gone", settings, "--timeout", 5000)[0], 0)
        self.center_click(pad)
        xdotool("key", "F10")
        wait_until(lambda: info(main)["visible"], what="restored")

        # A second launcher with its own tab; OK in the settings (opened from the tray
        # menu) reaches both launchers and every game window of theirs.
        harness.probe("post", main, WM_ADD_ACCOUNT_ANSWER, 0, 0)
        other = self.rig.new_child(timeout=60)
        self.assertNotEqual(other.launcher, main)
        self.login(other, "三区 王五")
        everyone = tabs + [other]
        before = [self.reloads(c) for c in everyone]
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_RBUTTONUP)
        choose_in_menu(*[VK_DOWN] * 5)
        settings = self.settings_dialog()
        harness.probe("clickitem", settings, 1)
        for child, count in zip(everyone, before):
            wait_until(lambda c=child, n=count: self.reloads(c) > n, what="the hot keys reloaded")

        # A boss key changed in the settings file counts from the next reload on; with plain
        # F5 as the sound key, "刷新 (F5)" still reaches the selected tab.
        with open(os.path.join(harness.prefix_path(*harness.DATA_FOLDER), "Statistic.ini"), "wb") as f:
            f.write(codecs.BOM_UTF16_LE + "[Zelqa7]\r\nShortKey=2,120\r\nSndKey=0,116\r\n".encode("utf-16-le"))
        harness.probe("post", main, WM_RELOAD_HOT_KEYS, 0, 0)
        wait_until(lambda: self.reloads(first) > before[0] + 1, what="the reload")
        refreshed = first.messages().count((WM_KEYDOWN, VK_F5, OWN_MARKER))
        harness.probe("clickitem", main, 1003)
        choose_in_menu(VK_DOWN)
        wait_until(lambda: first.messages().count((WM_KEYDOWN, VK_F5, OWN_MARKER)) > refreshed,
                   what="F5 in the selected tab with F5 as the sound key")
        self.center_click(pad)
        xdotool("key", "F10")
        time.sleep(1.0)
        self.assertTrue(info(main)["visible"])
        xdotool("key", "ctrl+F9")
        wait_until(lambda: not info(main)["visible"], what="hidden by the new boss key")

        # "退出", the tray menu's last item, ends the launcher at once, without a question.
        harness.probe("post", main, WM_TRAY_CALLBACK, 1, WM_RBUTTONUP)
        choose_in_menu(VK_UP)
        self.assertEqual(launcher_proc.wait(timeout=30), 0)
        for child in tabs:
            child.wait_event("msg", f"{WM_SYSCOMMAND} {SC_CLOSE} 0")
        self.assertEqual([w["hwnd"] for w in launcher_windows()], [other.launcher])
        self.assertEqual(tray_icons(), 1)  # the other launcher's
