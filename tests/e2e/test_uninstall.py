"""The uninstall run as the player answers it in the real skinned question."""
import os
import shutil
import threading
import time

from tests.e2e import harness
from tools.standin import StandInService

REG_KEY = r"HKLM\Software\Vorn\GameLogin\Zelqa7"
BM_CLICK = 0x00F5


class UninstallTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)

    def install(self):
        exe = os.path.join(self.scratch, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        self.assertEqual(harness.run_windows(exe, timeout=120).code, 0)
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
            code, boxes = harness.probe("find", "--title", "Vorn - Mirelund", "--visible")
            for box in boxes:
                _, children = harness.probe("children", box["hwnd"])
                captions = [c["title"] for c in children if c["visible"] and c["title"]]
                if captions == buttons:
                    target = [c for c in children if c["title"] == button][0]
                    harness.probe("post", target["hwnd"], BM_CLICK, 0, 0)
                    return box
            time.sleep(0.2)
        self.fail(f"no message box with the buttons {buttons!r}")

    def run_in_background(self, exe, *args):
        outcome = {}
        runner = threading.Thread(target=lambda: outcome.setdefault("r", harness.run_windows(exe, *args, timeout=300)))
        runner.start()
        return runner, outcome

    def test_yes_removes_the_program_and_the_batch_deletes_the_executable(self):
        installed = self.install()
        runner, outcome = self.run_in_background(installed, "/uninst")
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
