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
