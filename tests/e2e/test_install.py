"""The install and partner runs as a player's machine sees them: files, shortcuts,
registry, counters, and the reports that reach the service."""
import filecmp
import os
import shutil

from tests.e2e import harness
from tools.standin import StandInService

REG_KEY = r"HKLM\Software\Vorn\GameLogin\Zelqa7"


class InstallTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        harness.reset_prefix()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        # The installed copy an install starts opens the launcher window.
        harness.close_launchers_in_background(self)

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

    def test_installing_again_counts_on_and_replaces_the_shortcuts(self):
        self.run_copy()
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
        link = harness.prefix_path(*harness.DESKTOP, "VornMirelund登录器.lnk")
        os.remove(link)
        self.run_copy(folder="Other")
        self.service.wait_for_requests(path="/active.htm", count=2, timeout=30)
        self.assertTrue(os.path.exists(link))
        counters = harness.read_ini(harness.prefix_path(*harness.DATA_FOLDER, "Statistic.ini"))
        self.assertEqual(counters.get("Inst"), "2")
        self.assertEqual(counters.get("Game"), "2")
        self.assertEqual(self.requests_to("/install.htm")[-1].query, "tag=zelqa7&ver=3.0.0.1&count=2")

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
