"""The install and partner runs as a player's machine sees them: files, shortcuts,
registry, counters, and the reports that reach the service."""
import filecmp
import os
import shutil
import subprocess
import threading
import time

from tests.e2e import harness
from tests.e2e import pe_image
from tools.standin import StandInService

REG_KEY = r"HKLM\Software\Vorn\GameLogin\Zelqa7"


class InstallTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        # The installed copy an install starts opens the launcher window.
        self.closer = harness.close_launchers_in_background(self)

    def run_copy(self, *args, folder="My Downloads"):
        os.makedirs(os.path.join(self.scratch, folder), exist_ok=True)
        exe = os.path.join(self.scratch, folder, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        result = harness.run_windows(exe, *args, timeout=120)
        self.assertEqual(result.code, 0, result.output)
        return exe

    def requests_to(self, path):
        return [r for r in self.service.requests() if r.path == path]

    def test_first_run_installs_from_a_folder_with_spaces(self):
        exe = self.run_copy()
        installed = harness.prefix_path(*harness.DATA_FOLDER, "Zelqa7.exe")
        self.assertTrue(filecmp.cmp(exe, installed, shallow=False))

        # The installed copy was started without arguments and ran as the installed
        # launcher: it counts and reports a launcher start.
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
        [install] = self.requests_to("/install.htm")
        self.assertEqual(install.request_line, "GET /install.htm?tag=zelqa7&ver=3.0.0.1&count=1 HTTP/1.1")
        [active] = self.requests_to("/active.htm")
        self.assertEqual(active.query, "tag=zelqa7&ver=3.0.0.1&count=1")
        ini = harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini")
        with open(ini, "rb") as f:
            self.assertEqual(f.read(2), b"\xff\xfe")  # made Unicode, so later texts survive
        counters = harness.read_ini(ini)
        self.assertEqual(counters.get("Inst"), "1")
        self.assertEqual(counters.get("Game"), "1")
        # The install run never looks for an update.
        self.assertNotIn("/update/ConfigZelqa7.htm", [r.path for r in self.service.requests()])

        target = r"C:\ProgramData\Vorn\GameLogin\Zelqa7.exe"
        desktop = harness.lnk_info(harness.prefix_path(*harness.DESKTOP, "VornMirelund登录器.lnk"))
        self.assertEqual(desktop["Local path"], target)
        self.assertEqual(desktop["Command line arguments"], "/Zelqa7D")
        self.assertEqual(desktop["Icon location"], target)
        self.assertEqual(desktop["Icon index"], "0")
        self.assertEqual(desktop["Description"], "VornMirelund登录器")
        launcher = harness.lnk_info(harness.prefix_path(*harness.START_MENU, "VornMirelund登录器.lnk"))
        self.assertEqual(launcher["Command line arguments"], "/Zelqa7D")
        self.assertNotIn("Description", launcher)
        uninstaller = harness.lnk_info(harness.prefix_path(*harness.START_MENU, "卸载 VornMirelund登录器.lnk"))
        self.assertEqual(uninstaller["Local path"], target)
        self.assertEqual(uninstaller["Command line arguments"], "/uninst")

        days = harness.registry_value(REG_KEY, "DisableDays")
        self.assertIsNotNone(days)
        self.assertEqual(len(days), 8)  # four bytes
        weekdays = [int(days[i:i + 2], 16) for i in range(0, 8, 2)]
        self.assertEqual(weekdays[3], 0)
        self.assertTrue(all(d < 7 for d in weekdays[:3]))
        self.assertNotEqual(weekdays[0], weekdays[1])

    def test_no_library_planted_in_the_download_folder_is_loaded(self):
        # A copy of every library the executable names (import and delay-import tables)
        # that is not a known system library, beside it in the download folder, each with a
        # native-first load order (Wine then searches as Windows does). The installer run,
        # the installed launcher it starts, and a launcher run from the download folder with
        # the game process it starts there load none of them.
        folder = os.path.join(self.scratch, "Downloads")
        os.makedirs(folder)
        exe = os.path.join(folder, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        pe = pe_image.load(exe)
        named = set(pe_image.imports(pe)) | set(pe_image.delay_imports(pe))
        planted = sorted(named - pe_image.KNOWN_SYSTEM_LIBRARIES)
        self.assertTrue({"wininet.dll", "gdiplus.dll", "msimg32.dll", "comctl32.dll"} <= set(planted), planted)
        library = os.path.join(harness.BUILD, "tests", "win", "vorn_planted_library.dll")
        for name in planted:
            shutil.copy(library, os.path.join(folder, name))
        env = dict(harness.wine_env(), WINEDEBUG="-all,+loaddll",
                   VORN_WINE_DLL_OVERRIDES=";".join(n[:-4] + "=n,b" for n in planted))

        def run(*args):
            proc = subprocess.run([harness.WINE_EXEC, exe, *args], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, timeout=120)
            self.assertEqual(proc.returncode, 0)
            return proc.stdout.decode("utf-8", "replace")

        trace = run()
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
        self.assertTrue(wait_for_program_to_end(r"C:\ProgramData\Vorn\GameLogin\Zelqa7.exe"))
        trace += run("/Zelqa7D")
        loaded = [line for line in trace.splitlines() if "loaddll:build_module" in line]
        self.assertTrue(loaded, trace[-2000:])
        # Not a trace of nothing: the delay-loaded libraries came from the system folder.
        # (Wine prints paths with doubled backslashes.)
        from_system = {name for name in planted for line in loaded if "system32\\\\" + name in line.lower()}
        self.assertTrue({"wininet.dll", "gdiplus.dll"} <= from_system, from_system)
        # The installer and the launcher (and, when it got that far, its game process) ran
        # from the download folder.
        runs = {line.split(":", 1)[0] for line in loaded if "downloads\\\\zelqa7.exe" in line.lower()}
        self.assertGreaterEqual(len(runs), 2, loaded)
        self.assertEqual([line for line in loaded if "downloads" in line.lower() and "zelqa7.exe" not in line.lower()], [])
        self.assertEqual(sorted(f for f in os.listdir(folder) if f.endswith(".loaded")), [])

    def test_installing_again_counts_on_and_replaces_the_shortcuts(self):
        self.closer.stop()  # the first launcher stays open through the second install
        self.run_copy()
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
        [launcher] = harness.launcher_main_windows()
        link = harness.prefix_path(*harness.DESKTOP, "VornMirelund登录器.lnk")
        os.remove(link)
        # The same release again while its launcher runs (so its file cannot be replaced):
        # the shortcuts come back and the running launcher comes up, no second one starts,
        # and the install counts.
        self.run_copy(folder="Other")
        self.assertTrue(os.path.exists(link))
        self.assertEqual(len(self.requests_to("/install.htm")), 2)
        self.assertEqual(self.requests_to("/install.htm")[-1].query, "tag=zelqa7&ver=3.0.0.1&count=2")
        self.assertEqual([w["hwnd"] for w in harness.launcher_main_windows()], [launcher["hwnd"]])
        self.assertEqual(len(self.requests_to("/active.htm")), 1)

        # With no launcher running, an install starts the installed copy again.
        self.assertTrue(harness.close_launchers())
        self.assertTrue(wait_for_program_to_end(r"C:\ProgramData\Vorn\GameLogin\Zelqa7.exe"))
        self.closer = harness.close_launchers_in_background(self)
        os.remove(link)
        self.run_copy(folder="Third")
        self.service.wait_for_requests(path="/active.htm", count=2, timeout=30)
        self.assertTrue(os.path.exists(link))
        counters = harness.read_ini(harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini"))
        self.assertEqual(counters.get("Inst"), "3")
        self.assertEqual(counters.get("Game"), "2")
        self.assertEqual(self.requests_to("/install.htm")[-1].query, "tag=zelqa7&ver=3.0.0.1&count=3")

    def test_partner_start_counts_its_own_counter(self):
        self.run_copy("/KovoD")
        [ping] = self.requests_to("/active.htm")
        self.assertEqual(ping.query, "tag=webkovo&ver=3.0.0.1&count=1")
        # On a machine where the data folder does not exist yet there is nowhere to
        # store the count (the partner start creates no folders); the report carries 1.
        self.assertFalse(os.path.exists(harness.prefix_path(*harness.DATA_FOLDER)))

    def test_a_counter_at_its_largest_value_stays_there(self):
        folder = harness.prefix_path(*harness.DATA_FOLDER)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Statistic.ini"), "wb") as f:
            f.write("[Zelqa7]\r\nVorn=4294967295\r\nGame=abc\r\n".encode("utf-16"))
        self.run_copy("/KovoD")
        counters = harness.read_ini(os.path.join(folder, "Statistic.ini"))
        self.assertEqual(counters["Vorn"], "4294967295")
        self.assertEqual(counters["Game"], "abc")  # other counters untouched
        self.assertEqual(self.requests_to("/active.htm")[0].query, "tag=webkovo&ver=3.0.0.1&count=4294967295")


def wait_for_program_to_end(windows_path, timeout=60.0):
    """Waits until no process of this Wine prefix runs the program at `windows_path` (Wine's
    processes carry their Windows command line and their prefix in the environment)."""
    prefix = ("WINEPREFIX=" + os.path.join(harness.wine_env()["VORN_WINE_ROOT"], "prefix")).encode()
    wanted = windows_path.lower().encode()

    def running():
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    command = f.read().split(b"\0")[0].lower()
                if command != wanted:
                    continue
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if prefix in f.read().split(b"\0"):
                        return True
            except OSError:
                continue
        return False

    deadline = time.monotonic() + timeout
    while running():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.2)
    return True


def run_with_steps(exe, steps, *args, timeout=120):
    """Runs the program with the development build's step seam set (see common/TestSeam.h)."""
    # Wine's own errors are kept: a run interrupted on purpose once ended with an exit code
    # nothing in the program gives (1 instead of the seam's 9) and said nothing.
    env = dict(harness.wine_env(), VORN_TEST_STEPS=steps, WINEDEBUG="-all,err+all")
    start = time.monotonic()
    proc = subprocess.run([harness.WINE_EXEC, exe, *args], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=timeout)
    return harness.Result(proc.returncode, proc.stdout.decode("utf-8", "replace"), time.monotonic() - start)


def click_box_button(button, timeout=30.0, skip=()):
    """Clicks `button` in the first visible box titled as the program (the text is
    painted; the buttons are controls) that is not one of `skip`; answers its handle."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        _, boxes = harness.probe("find", "--title", harness.WINDOW_TITLE, "--visible")
        for box in boxes:
            if box["hwnd"] in skip:
                continue
            _, children = harness.probe("children", box["hwnd"])
            for child in children:
                if child["visible"] and child["title"] == button:
                    harness.probe("post", child["hwnd"], 0x00F5, 0, 0)  # BM_CLICK
                    return box["hwnd"]
        time.sleep(0.2)
    raise AssertionError(f"no box with the button {button!r}")


def first_box(timeout=30.0):
    """The handle of the first visible window titled as the program to appear."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        _, found = harness.probe("find", "--title", harness.WINDOW_TITLE, "--visible")
        if found:
            return found[0]["hwnd"]
        time.sleep(0.2)
    raise AssertionError("no window of the program appeared")


class InterruptedInstallTests(harness.WineTestCase):
    """An install interrupted at each of its steps (made to fail, or the process ended there
    as by a kill) leaves a whole executable in the data folder and counts nothing."""

    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        harness.close_launchers_in_background(self)
        self.folder = harness.prefix_path(*harness.DATA_FOLDER)
        self.installed = os.path.join(self.folder, "Zelqa7.exe")
        # What is installed already: another release, so that old and new bytes differ.
        with open(os.path.join(harness.BUILD, "tests", "win", "online", "Zelqa7-3.0.0.2.exe"), "rb") as f:
            self.old = f.read()
        with open(harness.EXE, "rb") as f:
            self.new = f.read()
        os.makedirs(self.folder)
        with open(self.installed, "wb") as f:
            f.write(self.old)
        self.downloaded = os.path.join(self.scratch, "Zelqa7.exe")
        shutil.copy(harness.EXE, self.downloaded)
        self.link = harness.prefix_path(*harness.DESKTOP, "VornMirelund登录器.lnk")

    def installed_bytes(self):
        with open(self.installed, "rb") as f:
            return f.read()

    def test_each_step_interrupted_leaves_a_whole_executable_and_no_count(self):
        # (steps, how the run ends, which executable is in place afterwards); no steps: the
        # installed program runs, so the system refuses to replace its file.
        cases = [
            ("install.write=exit", 9, self.old),     # killed with half the copy written
            ("install.flush=fail", 0, self.old),
            ("install.rename=exit", 9, self.old),
            ("", 0, self.old),
            ("install.shortcuts=exit", 9, self.new),  # in place, killed before the shortcuts
        ]
        for steps, code, in_place in cases:
            with self.subTest(steps=steps or "installed program running"):
                holder, question = None, None
                if not steps:  # its uninstall question waits for an answer meanwhile
                    holder = threading.Thread(target=harness.run_windows, args=(self.installed, "/uninst"))
                    holder.start()
                    question = first_box()
                outcome = {}
                runner = threading.Thread(target=lambda: outcome.setdefault(
                    "r", run_with_steps(self.downloaded, steps)))
                runner.start()
                if code == 0:
                    click_box_button("确定", skip=(question,))  # the player is told nothing was installed
                runner.join(120)
                self.assertEqual(outcome["r"].code, code, outcome["r"].output)
                self.assertEqual(self.installed_bytes(), in_place)
                self.assertFalse(os.path.exists(self.link))
                self.assertNotIn("/install.htm", [r.path for r in self.service.requests()])
                ini = os.path.join(self.folder, "Statistic.ini")
                self.assertNotIn("Inst", harness.read_ini(ini) if os.path.exists(ini) else {})
                if code == 0:  # a failed step cleans up after itself; a kill cannot
                    self.assertFalse(os.path.exists(self.installed + ".part"))
                if holder:
                    click_box_button("否")
                    holder.join(60)
                    self.assertFalse(holder.is_alive())

        # The next install, uninterrupted, goes through whatever the others left behind.
        result = harness.run_windows(self.downloaded, timeout=120)
        self.assertEqual(result.code, 0, result.output)
        self.assertEqual(self.installed_bytes(), self.new)
        self.assertEqual([n for n in os.listdir(self.folder) if n.endswith(".part")], [])
        self.assertTrue(os.path.exists(self.link))
        self.assertEqual(harness.read_ini(os.path.join(self.folder, "Statistic.ini")).get("Inst"), "1")


class CounterTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)

    def test_runs_that_start_together_lose_no_count_even_when_one_is_killed_mid_count(self):
        os.makedirs(harness.prefix_path(*harness.DATA_FOLDER))
        exe = os.path.join(self.scratch, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        # Each run pauses between reading and writing its count, so without a lock every
        # one would read the same value; one more is killed while it holds the lock.
        steps = ["counter.write=slow"] * 4 + ["counter.write=exit"]
        results = [None] * len(steps)

        def run(i):
            results[i] = run_with_steps(exe, steps[i], "/KovoD")
        runners = [threading.Thread(target=run, args=(i,)) for i in range(len(steps))]
        for runner in runners:
            runner.start()
        for runner in runners:
            runner.join(180)
        self.assertEqual([r.code for r in results], [0, 0, 0, 0, 9])
        counters = harness.read_ini(harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini"))
        self.assertEqual(counters.get("Vorn"), "4")
        sent = sorted(r.query for r in self.service.requests() if r.path == "/active.htm")
        self.assertEqual(sent, [f"tag=webkovo&ver=3.0.0.1&count={n}" for n in (1, 2, 3, 4)])
