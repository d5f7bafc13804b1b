"""The executable as a player starts it: every command line ends in a defined way, and a
crash leaves a dump that an independent reader understands."""
import os
import shutil
import subprocess

from tests.e2e import harness


class StartupTests(harness.WineTestCase):
    def copy_exe(self, name="Zelqa7.exe", source=harness.EXE):
        path = os.path.join(self.scratch, name)
        shutil.copy(source, path)
        return path

    def test_every_command_line_ends_quietly_without_a_dump(self):
        exe = self.copy_exe()
        command_lines = [
            ["/newgm", "/65538", "/2"], ["/gmhall", "/65538"], ["/GMHALL", "/1"],
            # Missing and overlong number arguments are harmless.
            ["/newgm"], ["/gmhall"], ["/newgm", "/" + "9" * 300, "/" + "-" * 300],
            ["/newgm", "", ""],
        ]
        for args in command_lines:
            with self.subTest(args=args):
                result = harness.run_windows(exe, *args, timeout=60)
                self.assertEqual(result.code, 0, result.output)
                self.assertFalse(os.path.exists(os.path.join(self.scratch, "Zelqa7.dmp")))

    def test_a_game_process_without_its_launcher_ends_before_loading_the_browser(self):
        # Wine's loader names every library a process loads; the browser control's and the
        # picture decoder's must not be among them when the launcher window is gone.
        exe = self.copy_exe()
        quiet = os.environ.get("WINEDEBUG")
        os.environ["WINEDEBUG"] = "+loaddll"
        try:
            runs = [harness.run_windows(exe, *args, timeout=60) for args in (["/gmhall", "/0"], ["/newgm", "/0", "/0"])]
        finally:
            if quiet is None:
                del os.environ["WINEDEBUG"]
            else:
                os.environ["WINEDEBUG"] = quiet
        for result in runs:
            self.assertEqual(result.code, 0, result.output)
            self.assertIn("Zelqa7.exe", result.output)  # the trace is there
            loaded = [name for name in ("ieframe", "mshtml", "urlmon", "windowscodecs") if name in result.output.lower()]
            self.assertEqual(loaded, [])

    def test_a_crash_dump_is_readable_by_an_independent_reader(self):
        exe = self.copy_exe("Crashy.exe", os.path.join(harness.BUILD, "tests", "win", "vorn_crash_child.exe"))
        # The crashed process's exit code does not survive Wine's loader reliably (the
        # Windows test checks it from the parent); the dump's exception stream tells.
        result = harness.run_windows(exe, "crash", timeout=60)
        dump = os.path.join(self.scratch, "Crashy.dmp")
        self.assertTrue(os.path.exists(dump), result.output)
        text = subprocess.run(["winedump", "dump", dump], stdout=subprocess.PIPE, check=True).stdout.decode(
            "utf-8", "replace")
        self.assertIn("Signature: 0x504d444d (MDMP)", text)
        # The richest dump type was accepted: data segments, handles, unloaded modules,
        # private memory, full memory information and thread information.
        self.assertIn("Flags: 0x1a25", text)
        exception = text[text.index("Exception:"):]
        self.assertIn("ExceptionCode: 0xc0000005", exception)
        self.assertIn("Crashy.exe", text)
