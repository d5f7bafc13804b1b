"""Runs the real launcher under Wine with the test build's stand-in for its game
processes (tests/win/launcher/tab_child.cpp), and drives both from outside: the stand-in
is told what a game process would do next, and records what it sends and receives."""
import json
import os
import re
import subprocess
import time

from tests.e2e import harness

TITLE = harness.WINDOW_TITLE
CHILD_PROGRAM = os.path.join(harness.BUILD, "tests", "win", "launcher", "vorn_tab_child.exe")
INSTALLED_EXE = "C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe"

WM_KEYDOWN, WM_CHAR, WM_SYSCOMMAND = 0x0100, 0x0102, 0x0112
WM_MBUTTONUP, WM_NCHITTEST = 0x0208, 0x0084
WM_WINDOW_ARRIVED, WM_ADD_ACCOUNT_ANSWER = 0x0402, 0x0406
SC_CLOSE, BM_CLICK = 0xF060, 0x00F5
HTCLIENT = 1
OWN_MARKER = 7261


def windows_path(path):
    """The path as Windows programs under Wine see it (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_until(predicate, timeout=20.0, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(interval)


class Child:
    """One stand-in game process, read from its record file."""

    def __init__(self, path):
        self.path = path
        self.pid = int(re.search(r"child-(\d+)\.txt$", path).group(1))
        self.lines = []
        self.refresh()

    def refresh(self):
        with open(self.path, encoding="utf-8") as f:
            self.lines = f.read().splitlines()
        return self

    def value(self, key):
        for line in self.lines:
            if line.startswith(key + " "):
                return line[len(key) + 1:]
        return None

    @property
    def cmdline(self):
        return self.value("cmdline")

    @property
    def launcher(self):
        return int(self.value("launcher"))

    @property
    def control(self):
        return int(self.value("control"))

    @property
    def frame(self):
        value = self.value("frame")
        return int(value) if value else None

    def events(self, key):
        self.refresh()
        return [line[len(key) + 1:] for line in self.lines if line.startswith(key + " ")]

    def messages(self):
        return [tuple(int(v) for v in m.split()) for m in self.events("msg")]

    def command(self, text):
        code, _ = harness.probe("copydata", self.control, text)
        return code

    def register(self, verb, title):
        """Sends "login"/"register" and answers the launcher's reply (True: accepted)."""
        before = len(self.events("copydata"))
        self.command(f"{verb} {title}")
        replies = wait_until(lambda: self.events("copydata")[before:], what="the title's reply")
        return replies[0] == f"{title} 1"

    def wait_event(self, key, expected=None, timeout=20.0):
        def seen():
            values = self.events(key)
            return values if (expected is None and values) or expected in values else None
        return wait_until(seen, timeout, what=f"{key} {expected!r} in {self.path}")

    def gone(self, timeout=15):
        return harness.probe("gone", self.control, "--timeout", int(timeout * 1000))[0] == 0


class LauncherRig:
    """Starts the launcher with the stand-in game program; collects its game processes."""

    def __init__(self, scratch):
        self.folder = os.path.join(scratch, "children")
        os.makedirs(self.folder, exist_ok=True)
        self.known = set()
        self.processes = []

    def env(self):
        env = harness.wine_env()
        env["VORN_TEST_TAB_PROGRAM"] = windows_path(CHILD_PROGRAM)
        env["VORN_TAB_CHILD_DIR"] = windows_path(self.folder)
        return env

    def start(self, exe=INSTALLED_EXE, *args):
        proc = subprocess.Popen([harness.WINE_EXEC, exe, *args], env=self.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        self.processes.append(proc)
        return proc

    def stop(self):
        for proc in self.processes:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=30)

    def new_child(self, timeout=30.0):
        """The next game process to start, once it has made its control window."""
        def found():
            for name in sorted(os.listdir(self.folder)):
                path = os.path.join(self.folder, name)
                if name in self.known or not name.startswith("child-"):
                    continue
                child = Child(path)
                if child.value("control") is not None:
                    self.known.add(name)
                    return child
            return None
        try:
            return wait_until(found, timeout, what="a new game process")
        except AssertionError as e:
            # What there was instead: the windows of the desktop and the game processes'
            # files, to tell a launcher that never started a game process from one that hung.
            _, windows = harness.probe("find")
            shown = [(w.get("title"), w.get("class"), w.get("pid"), w.get("visible")) for w in windows]
            raise AssertionError(f"{e}; windows: {shown}; files: {sorted(os.listdir(self.folder))}") from None

    def no_new_child(self, wait=1.5):
        time.sleep(wait)
        return not [n for n in os.listdir(self.folder) if n.startswith("child-") and n not in self.known]


NO_SUCH_WINDOW = 3  # wprobe's answer for a window that does not exist


def info(hwnd):
    """The window's state, or None when it does not exist. A probe that failed otherwise
    raises with what it printed, so a broken probe is not taken for a window gone."""
    r = harness.run_windows(harness.WPROBE, "info", str(hwnd), timeout=30)
    found = [json.loads(line) for line in r.output.splitlines() if line.strip().startswith("{")]
    if r.code == 0 and found:
        return found[0]
    if r.code == NO_SUCH_WINDOW:
        return None
    raise AssertionError(f"wprobe info {hwnd} ended with {r.code}: {r.output!r}")


def children_by_id(hwnd):
    _, kids = harness.probe("children", hwnd)
    return {kid["id"]: kid for kid in kids if kid["parent"] == hwnd}


def launcher_windows():
    """Launcher main windows (not message boxes, which share the title and class)."""
    _, found = harness.probe("find", "--title", TITLE, "--class", "#32770")
    return [w for w in found if w["exstyle"] & 0x40000]  # WS_EX_APPWINDOW


def tray_icons():
    """How many icons Wine's notification area shows (its stand-alone tray window has one
    child window per icon)."""
    count = 0
    for tray in harness.probe("find", "--class", "__winex11_standalone_tray")[1]:
        count += len([kid for kid in harness.probe("children", tray["hwnd"])[1] if kid["parent"] == tray["hwnd"]])
    return count


def boxes_of(launcher_hwnd):
    """Visible message boxes of the launcher's process, with their button captions."""
    owner = info(launcher_hwnd)
    _, found = harness.probe("find", "--title", TITLE, "--class", "#32770", "--visible")
    boxes = []
    for w in found:
        if w["hwnd"] == launcher_hwnd or not owner or w["pid"] != owner["pid"] or w["exstyle"] & 0x40000:
            continue
        kids = children_by_id(w["hwnd"])
        w["buttons"] = {kid["id"]: kid["title"] for kid in kids.values() if kid["id"] in (5000, 5001)}
        boxes.append(w)
    return boxes


def answer_box(launcher_hwnd, buttons, button_id, timeout=20.0):
    """Waits for the launcher's message box with exactly these captions and clicks one."""
    box = wait_until(lambda: next((b for b in boxes_of(launcher_hwnd) if sorted(b["buttons"].values()) ==
                                   sorted(buttons)), None), timeout, what=f"a box with {buttons}")
    kids = children_by_id(box["hwnd"])
    harness.probe("post", kids[button_id]["hwnd"], BM_CLICK, 0, 0)
    harness.probe("gone", box["hwnd"], "--timeout", 10000)
    return box


def notice_of(launcher_hwnd, title):
    """The launcher's visible notice pop-up, by the title on its label."""
    owner = info(launcher_hwnd)["pid"]
    for window in harness.probe("find", "--class", "#32770", "--visible")[1]:
        label = children_by_id(window["hwnd"]).get(1020) if window["pid"] == owner else None
        if label and label["title"] == title:
            return window
    return None


WM_TRAY_CALLBACK, WM_LBUTTONUP, WM_RBUTTONUP = 0x0401, 0x0202, 0x0205
VK_DOWN, VK_UP, VK_RETURN = 0x28, 0x26, 0x0D


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30)


def input_state(hwnd):
    """The foreground window and where the input of hwnd's thread goes."""
    code, found = harness.probe("focus", hwnd)
    return found[0] if code == 0 and found else None


def focus_by_click(hwnd, x, y):
    """Gives a Wine window the keyboard focus as a player would, with a click at (x, y) in
    screen coordinates inside it (X focus alone does not reach Wine's key state), and waits
    until its top-level window is the foreground window with no menu mode or capture in its
    thread, so the keys typed next reach it. A click that did not activate the window is
    given again, as a player would: on a busy machine Wine now and then lets the activation
    of an unmanaged window by a click go (the foreground stays where it was, and the clicked
    thread has no active window), measured with two Wine prefixes at work beside this one."""
    seen = []

    def focused():
        seen[:] = [input_state(hwnd)]
        state = seen[0]
        return state and state["foreground"] == state["root"] and not state["menumode"] and not state["capture"]
    for attempt in range(3):
        xdotool("mousemove", x, y, "click", 1)
        try:
            wait_until(focused, timeout=7.0, what=f"the focus on window {hwnd}")
            return
        except AssertionError as e:
            failure = f"{e} after {attempt + 1} clicks; last seen {seen}"
    raise AssertionError(failure)


def start_focus_holder(rig, title="Vorn focus holder"):
    """Another program to type global keys into: a plain window of wprobe's without menu bar
    or system menu (F10 into a program with a menu would start its menu mode)."""
    rig.start(harness.WPROBE, "hold", title)
    return wait_until(lambda: next(iter(harness.probe("find", "--title", title, "--visible")[1]), None),
                      timeout=60, what="the focus holder")["hwnd"]


def open_menu(timeout=10.0):
    """The pop-up menu that is showing (class #32768)."""
    return wait_until(lambda: next(iter(harness.probe("find", "--class", "#32768", "--visible")[1]), None),
                      timeout, what="a pop-up menu")


def choose_in_menu(*keys):
    """Moves through the open menu with the keys (posted to its thread) and takes the item."""
    menu = open_menu()
    for key in keys:
        harness.probe("sendkey", menu["hwnd"], key)
    harness.probe("sendkey", menu["hwnd"], VK_RETURN)
    # Under load the launcher may take its keys late: the menu's end is waited for. A menu
    # that has taken the arrows but not Enter (seen on the tray menu of the hidden launcher,
    # in about half the runs on a loaded machine: the item highlighted, no modifier held by
    # the menu's thread, the menu still open 30 s later; the posted Enter gave no character)
    # is given the character Enter stands for, which is what a menu acts on. One that never
    # ends fails here (with the launcher's threads' stacks) rather than later.
    if harness.probe("gone", menu["hwnd"], "--timeout", 15000)[0] != 0:
        print(f"\nthe menu took no Enter; its thread holds: {input_state(menu['hwnd'])}", flush=True)
        harness.probe("post", menu["hwnd"], WM_CHAR, VK_RETURN, 1)
    if harness.probe("gone", menu["hwnd"], "--timeout", 15000)[0] != 0:
        pointer = subprocess.run(["xdotool", "getmouselocation"], stdout=subprocess.PIPE, text=True).stdout.strip()
        shot = os.path.join(harness.BUILD, "..", "menu-left-open.png")
        subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", shot], check=False)
        dbg = subprocess.run([harness.WINE_EXEC, "winedbg", "--command", "bt all"], env=harness.wine_env(),
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120).stdout.decode("utf-8", "replace")
        stacks = os.path.join(harness.BUILD, "..", "menu-left-open-stacks.txt")
        with open(stacks, "w") as f:
            f.write(dbg)
        raise AssertionError(f"the menu stayed open after {keys} and Enter: {info(menu['hwnd'])}, pointer {pointer}, "
                             f"screen in {shot}, every thread's stack in {stacks}")
    return menu
