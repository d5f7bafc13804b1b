"""A day of play compressed: the launcher of the development build, with the test build's
stand-in game processes as its tabs, goes through N cycles of what a player does (two tabs
opened, one closed from the strip, one whose process is killed, the boss key and the sound
key pressed twice each, the notice shown and closed, the settings dialog opened and
cancelled, the cache cleared); then one game process whose game view is made to navigate N
times between two pages of the stand-in service. After a warm-up and at the end each is
counted from another process (bench/window_probe.cpp "holds": kernel handles, GDI objects,
windows, threads) and its private memory read from its Unix process (/proc/PID/smaps_rollup:
Private_Dirty + Swap), and the growth per 1,000 cycles is printed. Figures
only: it fails only when the launcher ends or a step cannot be carried out.

    python3 bench/soak.py [--cycles N] [--navigations M] [--warm-up W]"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from tests.e2e import harness  # noqa: E402
from tests.e2e.launcher_rig import (  # noqa: E402
    INSTALLED_EXE, SC_CLOSE, VK_DOWN, WM_ADD_ACCOUNT_ANSWER, WM_MBUTTONUP, WM_SYSCOMMAND, LauncherRig,
    answer_box, choose_in_menu, focus_by_click, info, input_state, notice_of, start_focus_holder, wait_until,
    xdotool)
from tools.standin import StandInService  # noqa: E402
from tools.standin.formats import notice_line  # noqa: E402
from bench.figures import figure  # noqa: E402
from bench.launcher import probe, unix_process  # noqa: E402

WM_TIMER = 0x0113
NOTICE_TITLE = "开服公告"
NOTICE_PAUSE_TIMER = 2  # the notice's timer that ends a pause between two showings
SETTINGS_CANCEL = 2
COUNTS = ("handles", "gdi", "windows", "threads")
GAME_VIEW_ID = 0xE900


def private_bytes(unix_pid):
    """The pages the Unix process has written for itself, resident or swapped out (its
    private clean pages, read from files, come and go with the page cache)."""
    total = 0
    with open(f"/proc/{unix_pid}/smaps_rollup") as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in ("Private_Dirty", "Swap"):
                total += int(rest.split()[0]) * 1024
    return total


def holds(windows_pid, unix_pid, settle=2.0):
    """What the process holds, once the work of the last cycle has had time to end."""
    time.sleep(settle)
    counts = probe("holds", windows_pid)
    if counts is None:
        raise AssertionError(f"the process {windows_pid} could not be counted")
    counts["private"] = private_bytes(unix_pid)
    return counts


def report(what, first, last, cycles, unit):
    """Prints the growth between the two counts per 1,000 cycles, and its table lines."""
    per = 1000.0 / cycles
    print(f"{what}: after the warm-up {first}, after {cycles} more {unit} {last}")
    for key in COUNTS:
        growth = (last[key] - first[key]) * per
        figure(f"{what}: {key}, growth per 1,000 {unit}", f"{growth:+.0f}",
               f"{first[key]} after the warm-up, {last[key]} at the end", None, "none")
    growth = (last["private"] - first["private"]) * per / 2**20
    figure(f"{what}: private memory, growth per 1,000 {unit}", f"{growth:+.2f} MiB",
           f"{first['private'] / 2**20:.1f} MiB after the warm-up, {last['private'] / 2**20:.1f} MiB at the end",
           None, "< 1 MiB")


class LauncherSoak:
    def __init__(self, rig, service, scratch):
        self.rig, self.service, self.scratch = rig, service, scratch
        self.tabs = 0
        self.retried = []

    def start(self):
        # The notice with a picture, so that its whole content is fetched and shown once.
        picture = os.path.join(self.scratch, "notice.jpg")
        subprocess.run(["convert", "-size", "75x80", "gradient:orange-purple", picture], check=True)
        with open(picture, "rb") as f:
            self.service.set_notice(notice_line("soak", "2099-12-31", NOTICE_TITLE, self.service.url("/news.htm"),
                                                "维护公告", self.service.url("/notice/pic.jpg"), 99),
                                    picture=f.read(), picture_path="/notice/pic.jpg")
        self.pad = start_focus_holder(self.rig)
        self.proc = self.rig.start(INSTALLED_EXE)
        self.base = self.rig.new_child(timeout=60)
        self.main = self.base.launcher
        self.login(self.base)
        self.notice = wait_until(lambda: notice_of(self.main, NOTICE_TITLE), timeout=60, what="the notice")["hwnd"]
        self.close_notice()
        self.pid = info(self.main)["pid"]
        self.unix_pid = unix_process("Zelqa7.exe")

    def login(self, child):
        self.tabs += 1
        if not child.register("login", f"{self.tabs}区 玩家"):
            raise AssertionError("a login was refused")
        wait_until(lambda: (info(child.frame) or {}).get("visible"), what="the game window")

    def open_tab(self):
        harness.probe("post", self.main, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        child = self.rig.new_child()
        self.login(child)
        return child

    def close_notice(self):
        harness.probe("post", self.notice, WM_SYSCOMMAND, SC_CLOSE, 0)
        wait_until(lambda: not info(self.notice)["visible"], what="the notice closed")

    def ended(self, child):
        """Waits for the process's end and forgets its record: Wine gives its process id to
        a later process soon, whose record would otherwise be taken for this one's."""
        if not child.gone():
            raise AssertionError("a tab's process did not end")
        os.remove(child.path)
        self.rig.known.discard(os.path.basename(child.path))

    def shown(self, child):
        return (info(child.frame) or {}).get("visible")

    def step(self, what, action, done, timeout=30.0):
        """Does it, and once more if it did not show within the time, which is counted and
        printed (under load a typed key is now and then lost on its way; a launcher fault
        would show as a count that grows with the cycles)."""
        action()
        try:
            wait_until(done, timeout, what=what)
        except AssertionError:
            self.retried.append(what)
            print(f"launcher: {what} not seen after {timeout:.0f} s, done again; launcher visible "
                  f"{info(self.main)['visible']}, input {input_state(self.main)}", flush=True)
            action()
            wait_until(done, timeout, what=f"{what}, done again")

    def key(self, key, taken):
        self.step(f"{key} taken", lambda: xdotool("key", key), taken)

    def press(self, key, hidden):
        self.key(key, lambda: info(self.main)["visible"] != hidden)

    def sound(self, silent):
        self.key("ctrl+q", lambda: self.base.events("sound")[-1:] == [silent])

    def menu(self, *keys):
        harness.probe("clickitem", self.main, 1003)
        choose_in_menu(*keys)

    def cycle(self):
        first, second = self.open_tab(), self.open_tab()
        # The last tab closed by a middle click on it, and its window ends.
        harness.probe("post", self.main, WM_MBUTTONUP, 0, ((12 << 16) | (120 + 2 * 189 + 60)))
        answer_box(self.main, ["是", "否"], 5000)
        self.ended(second)
        # The other one's process killed, as a crash would end it.
        harness.probe("kill", first.control)
        self.ended(first)
        wait_until(lambda: self.shown(self.base), what="the remaining tab shown")

        harness.probe("front", self.pad)
        left, top, right, bottom = info(self.pad)["rect"]
        focus_by_click(self.pad, (left + right) // 2, (top + bottom) // 2)
        self.press("F10", hidden=True)
        self.press("F10", hidden=False)
        self.sound("1")
        self.sound("0")

        # The notice's next showing, as the end of its pause brings it, and its close box.
        self.step("the notice shown again", lambda: harness.probe("post", self.notice, WM_TIMER, NOTICE_PAUSE_TIMER, 0),
                  lambda: info(self.notice)["visible"])
        self.close_notice()

        self.menu(*[VK_DOWN] * 5)
        settings = wait_until(lambda: next(iter(harness.probe("find", "--title", "设置", "--visible")[1]), None),
                              what="the settings dialog")["hwnd"]
        harness.probe("clickitem", settings, SETTINGS_CANCEL)
        if harness.probe("gone", settings, "--timeout", 10000)[0] != 0:
            raise AssertionError("the settings dialog stayed after Cancel")
        self.menu(*[VK_DOWN] * 3)
        answer_box(self.main, ["确定"], 5000)
        if self.proc.poll() is not None:
            raise AssertionError(f"the launcher ended with {self.proc.returncode}")

    def run(self, cycles, warm_up):
        self.start()
        started = time.monotonic()
        for _ in range(warm_up):
            self.cycle()
        first = holds(self.pid, self.unix_pid)
        print(f"launcher: {warm_up} warm-up cycles in {time.monotonic() - started:.0f} s", flush=True)
        for i in range(cycles):
            self.cycle()
            if (i + 1) % 25 == 0 and i + 1 < cycles:
                print(f"launcher: {i + 1} cycles, {holds(self.pid, self.unix_pid)}", flush=True)
        report("launcher soak", first, holds(self.pid, self.unix_pid), cycles, "cycles")
        print(f"launcher: steps done again, as not seen the first time: {len(self.retried)} {self.retried}")


def game_soak(rig, service, navigations, warm_up):
    """One game-hall process in a stand-in launcher window, its view sent to one page and
    the other in turn (development builds take the address by WM_COPYDATA to the view)."""
    host = start_focus_holder(rig, "Vorn soak hall host")
    rig.start(harness.EXE, "/gmhall", f"/{host}")
    service.wait_for_requests(path="/webgame.htm", timeout=60)
    view = wait_until(lambda: next((c for c in harness.probe("children", host)[1] if c["id"] == GAME_VIEW_ID), None),
                      what="the game view")
    pid, unix_pid = view["pid"], unix_process(os.path.basename(harness.EXE), game=True)
    pages = [service.url("/webgame.htm"), service.url("/game/play.htm?server=1&account=soak")]

    def navigate(i):
        asked = len(service.requests())
        if harness.probe("copydata", view["hwnd"], pages[i % 2])[1] != [{"result": 1}]:
            raise AssertionError("the game view did not take the address")
        wait_until(lambda: len(service.requests()) > asked, what="the page requested")
        time.sleep(0.2)  # the control reports the page's end meanwhile

    for i in range(warm_up):
        navigate(i)
    first = holds(pid, unix_pid)
    for i in range(navigations):
        navigate(i)
    report("game process soak", first, holds(pid, unix_pid), navigations, "navigations")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cycles", type=int, default=200, help="launcher cycles (0: no launcher soak)")
    parser.add_argument("--navigations", type=int, help="game view navigations (default: as many as cycles)")
    parser.add_argument("--warm-up", type=int, default=10)
    args = parser.parse_args()
    harness.reset_prefix()
    folder = harness.prefix_path(*harness.DATA_FOLDER)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(harness.EXE, os.path.join(folder, "Zelqa7.exe"))
    service = StandInService(port=harness.service_port()).start()
    scratch = tempfile.mkdtemp(prefix="vorn-soak-", dir=os.path.join(harness.REPO, "build"))
    rig = LauncherRig(scratch)
    try:
        with open(harness.EXE, "rb") as f:
            service.set_update_config(f.read(), service.url("/files/Zelqa7.exe"))  # no update
        if args.cycles > 0:
            LauncherSoak(rig, service, scratch).run(args.cycles, args.warm_up)
            rig.stop()
        navigations = args.cycles if args.navigations is None else args.navigations
        if navigations > 0:
            game_soak(rig, service, navigations, args.warm_up)
    finally:
        rig.stop()
        service.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
