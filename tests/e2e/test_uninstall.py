"""The uninstall run as the player answers it in the real skinned question."""
import glob
import os
import shutil
import subprocess
import threading
import time

from tests.e2e import harness
from tools.standin import StandInService

REG_KEY = r"HKLM\Software\Vorn\GameLogin\Zelqa7"
SESSION_MANAGER = r"HKLM\System\CurrentControlSet\Control\Session Manager"
BM_CLICK = 0x00F5
MARKER_CHILD = os.path.join(harness.BUILD, "tests", "win", "vorn_marker_child.exe")


def batches():
    """The uninstall batches, written into the system's own temporary folder."""
    return glob.glob(harness.prefix_path("windows", "temp", "VornDel*"))


def plant_pings(folder):
    """A ping.bat, ping.com and ping.exe in `folder`, each leaving a "<its path>.ran" file
    when run; answers the marker files to look for."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "ping.bat"), "wb") as f:
        f.write(b'@echo ran> "%~f0.ran"\r\n')
    for name in ("ping.com", "ping.exe"):
        shutil.copy(MARKER_CHILD, os.path.join(folder, name))
    return [os.path.join(folder, name + ".ran") for name in ("ping.bat", "ping.com", "ping.exe")]


class UninstallTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)

    def install(self):
        exe = os.path.join(self.scratch, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        result = harness.run_windows(exe, timeout=120)
        self.assertEqual(result.code, 0, result.output)
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
        # The installed copy the install started is a launcher now; it must not hold its
        # executable while the uninstaller removes it.
        self.assertTrue(harness.wait_for_launcher_and_close())
        return harness.prefix_path(*harness.DATA_FOLDER, "Zelqa7.exe")

    def answer_box(self, buttons, button):
        """Waits for a visible box titled as the program whose buttons are exactly these
        (the text itself is painted, not a control) and clicks one of them."""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            code, boxes = harness.probe("find", "--title", harness.WINDOW_TITLE, "--visible")
            for box in boxes:
                _, children = harness.probe("children", box["hwnd"])
                captions = [c["title"] for c in children if c["visible"] and c["title"]]
                if captions == buttons:
                    target = [c for c in children if c["title"] == button][0]
                    harness.probe("post", target["hwnd"], BM_CLICK, 0, 0)
                    return box
            time.sleep(0.2)
        self.fail(f"no message box with the buttons {buttons!r}")

    def run_in_background(self, exe, *args, cwd=None):
        outcome = {}
        runner = threading.Thread(target=lambda: outcome.setdefault(
            "r", harness.run_windows(exe, *args, timeout=300, cwd=cwd)))
        runner.start()
        return runner, outcome

    def test_yes_removes_the_program_and_the_batch_deletes_the_executable(self):
        installed = self.install()
        # A ping planted in the player's temporary folder and in the folder the uninstaller
        # runs from: the elevated batch must run only the system's own.
        [user_temp] = glob.glob(harness.prefix_path("users", "*", "Temp"))
        here = os.path.join(self.scratch, "here")
        markers = plant_pings(user_temp) + plant_pings(here)
        runner, outcome = self.run_in_background(installed, "/uninst", cwd=here)
        self.answer_box(["是", "否"], "是")
        self.answer_box(["确定"], "确定")
        runner.join(120)
        self.assertEqual(outcome["r"].code, 0, outcome["r"].output)

        self.assertIsNone(harness.registry_value(REG_KEY, "DisableDays"))
        self.assertFalse(os.path.exists(harness.prefix_path(*harness.DESKTOP, "VornMirelund登录器.lnk")))
        self.assertFalse(os.path.exists(harness.prefix_path(*harness.START_MENU)))
        [ping] = [r for r in self.service.requests() if r.path == "/uninstall.htm"]
        self.assertEqual(ping.query, "tag=zelqa7&ver=3.0.0.1&count=1")
        counters = harness.read_ini(harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini"))
        self.assertEqual(counters["UnInst"], "1")
        # The batch file deletes the executable once the process has ended; the counters
        # stay, and so does their folder.
        deadline = time.monotonic() + 60
        while os.path.exists(installed) and time.monotonic() < deadline:
            time.sleep(0.5)
        self.assertFalse(os.path.exists(installed))
        self.assertTrue(os.path.exists(harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini")))
        # The batch paused between its tries, deleted itself, and ran none of the planted
        # programs.
        deadline = time.monotonic() + 30
        while batches() and time.monotonic() < deadline:
            time.sleep(0.5)
        self.assertEqual(batches(), [])
        self.assertEqual([m for m in markers if os.path.exists(m)], [])

    def test_the_long_form_removes_a_folder_that_held_only_the_executable(self):
        folder = os.path.join(self.scratch, "Solo Folder")
        os.makedirs(folder)
        exe = os.path.join(folder, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        runner, outcome = self.run_in_background(exe, "/uninst")
        self.answer_box(["是", "否"], "是")
        self.answer_box(["确定"], "确定")
        runner.join(120)
        deadline = time.monotonic() + 60
        while os.path.exists(folder) and time.monotonic() < deadline:
            time.sleep(0.5)
        self.assertFalse(os.path.exists(folder))

    def test_no_keeps_everything(self):
        installed = self.install()
        runner, outcome = self.run_in_background(installed, "/uninst")
        self.answer_box(["是", "否"], "否")
        runner.join(60)
        self.assertEqual(outcome["r"].code, 0)
        self.assertTrue(os.path.exists(installed))
        self.assertIsNotNone(harness.registry_value(REG_KEY, "DisableDays"))
        self.assertNotIn("/uninstall.htm", [r.path for r in self.service.requests()])


# --- The self-delete batch with hostile paths, and its bound (kept apart from the tests above).

from tests.e2e.test_install import click_box_button, first_box, run_with_steps  # noqa: E402


def temp_files(pattern):
    return glob.glob(harness.prefix_path("users", "*", "Temp", pattern))


class SelfDeleteBatchTests(UninstallTests):
    def uninstall(self, exe, steps=""):
        outcome = {}
        runner = threading.Thread(target=lambda: outcome.setdefault("r", run_with_steps(exe, steps, "/uninst")))
        runner.start()
        question = click_box_button("是")
        click_box_button("确定", skip=(question,))
        runner.join(120)
        self.assertEqual(outcome["r"].code, 0, outcome["r"].output)

    def wait_until(self, condition, timeout=60):
        deadline = time.monotonic() + timeout
        while not condition() and time.monotonic() < deadline:
            time.sleep(0.5)
        return condition()

    def test_a_path_with_percent_and_a_character_outside_the_code_page_is_removed(self):
        # "%PATH%" is a variable cmd would expand; "क" has no place in code page 936.
        folder = os.path.join(self.scratch, "Solo 100%PATH% !x! क")
        os.makedirs(folder)
        exe = os.path.join(folder, "Zelqa7 क.exe")
        shutil.copy(harness.EXE, exe)
        self.uninstall(exe)
        self.assertTrue(self.wait_until(lambda: not os.path.exists(folder)), "the folder stayed")
        # The batch is gone, and nothing was left in the player's temporary folder.
        self.assertTrue(self.wait_until(lambda: not batches()))
        self.assertEqual(temp_files("Del*"), [])

    def test_the_batch_gives_up_while_a_process_still_runs_the_executable(self):
        installed = self.install()
        # Another process of the program runs on (its own question waits for an answer).
        holder = threading.Thread(target=lambda: harness.run_windows(installed, "/uninst", timeout=300))
        holder.start()
        held = first_box()
        outcome = {}
        runner = threading.Thread(target=lambda: outcome.setdefault(
            "r", run_with_steps(installed, "uninstall.tries=3", "/uninst")))
        runner.start()
        question = click_box_button("是", skip=(held,))
        click_box_button("确定", skip=(held, question))
        runner.join(120)
        self.assertEqual(outcome["r"].code, 0, outcome["r"].output)
        # The executable stays in place, so the other process goes on as it was; the batch
        # tried three times and ended (deleting itself), and the executable is left to the
        # next restart.
        if not self.wait_until(lambda: not batches()):
            # What the batch says, for the one who reads the failure.
            texts = {path: open(path, "rb").read() for path in batches()}
            running = subprocess.run(["ps", "-eo", "pid,stat,etime,args"], stdout=subprocess.PIPE, check=False)
            runners = [line for line in running.stdout.decode("utf-8", "replace").splitlines()
                       if "cmd" in line or "ping" in line.lower()]
            self.fail(f"the batch still runs: {texts}; its processes: {runners}")
        self.assertTrue(os.path.exists(installed))
        self.assertEqual(temp_files("Del*"), [])
        pending = harness.registry_value(SESSION_MANAGER, "PendingFileRenameOperations") or ""
        self.assertIn("\\??\\C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe", pending)
        click_box_button("否", skip=(question,))
        holder.join(60)
        self.assertFalse(holder.is_alive())
        self.assertTrue(os.path.exists(harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini")))
        # Installed again before the restart: the new executable is not deleted with it.
        self.install()
        pending = harness.registry_value(SESSION_MANAGER, "PendingFileRenameOperations") or ""
        self.assertNotIn("GameLogin\\Zelqa7.exe", pending)
        self.assertIn("VornDel", pending)  # the batch's own entry stays

    # The scenarios of the base class are not repeated here.
    test_yes_removes_the_program_and_the_batch_deletes_the_executable = None
    test_the_long_form_removes_a_folder_that_held_only_the_executable = None
    test_no_keeps_everything = None
