"""The uninstall question as a player meets it: the real skinned box, its text, buttons and
title, and which answers end the process."""
import os
import shutil
import subprocess
import time

from tests.e2e import harness

TITLE = harness.WINDOW_TITLE
WM_KEYDOWN_VK_RETURN = 0x0D
VK_ESCAPE = 0x1B


class UninstallQuestionTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        # A launcher window left by an earlier scenario shares the box's title and class.
        harness.reset_prefix()

    def start(self):
        exe = os.path.join(self.scratch, "Zelqa7.exe")
        shutil.copy(harness.EXE, exe)
        proc = subprocess.Popen([harness.WINE_EXEC, exe, "/uninst"], env=harness.wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, proc)
        code, found = harness.probe("wait", "--title", TITLE, "--class", "#32770", "--visible", "--timeout", "40000",
                                    timeout=60)
        self.assertEqual(code, 0, "the question never appeared")
        self.assertEqual(len(found), 1, found)
        return proc, found[0]

    @staticmethod
    def stop(proc):
        if proc.poll() is None:
            proc.kill()
            proc.wait(timeout=30)

    def children(self, box):
        code, kids = harness.probe("children", box["hwnd"])
        self.assertEqual(code, 0)
        return {kid["id"]: kid for kid in kids}

    def assert_ends(self, proc, box):
        self.assertEqual(proc.wait(timeout=40), 0)
        code, _ = harness.probe("gone", box["hwnd"], "--timeout", "5000")
        self.assertEqual(code, 0)

    def test_the_question_shows_its_buttons_and_no_ends_the_process(self):
        proc, box = self.start()
        kids = self.children(box)
        # Close button at the top right corner, then "是" and "否" below the text.
        self.assertEqual(kids[5000]["title"], "是")
        self.assertEqual(kids[5001]["title"], "否")
        self.assertIn(50000, kids)
        left, top, right, bottom = box["rect"]
        self.assertEqual(kids[50000]["rect"][2], right)
        self.assertEqual(kids[50000]["rect"][1], top)
        yes, no = kids[5000]["rect"], kids[5001]["rect"]
        self.assertEqual((yes[2] - yes[0], yes[3] - yes[1]), (57, 23))
        self.assertEqual(no[0] - yes[2], 20)
        self.assertEqual(bottom - yes[3], 30)
        self.assertEqual(harness.probe("clickitem", box["hwnd"], 5001)[0], 0)
        self.assert_ends(proc, box)

    def test_enter_and_escape_do_nothing_and_the_close_button_ends_the_process(self):
        proc, box = self.start()
        harness.probe("sendkey", box["hwnd"], WM_KEYDOWN_VK_RETURN)
        harness.probe("sendkey", box["hwnd"], VK_ESCAPE)
        time.sleep(1.0)
        self.assertIsNone(proc.poll())
        code, _ = harness.probe("info", box["hwnd"])
        self.assertEqual(code, 0)
        self.assertEqual(harness.probe("clickitem", box["hwnd"], 50000)[0], 0)
        self.assert_ends(proc, box)
