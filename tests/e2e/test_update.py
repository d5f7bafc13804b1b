"""The update run (/update) of an installed launcher against the stand-in service: the
download under the real progress dialog, the verified swap, the new executable started,
and every way it can go wrong leaving a runnable launcher behind."""
import os
import shutil
import subprocess
import threading
import time
from unittest import mock

from tests.e2e import harness, signing
from tests.e2e.test_install import click_box_button, run_with_steps
from tools.standin import StandInService, exe_version

REG_KEY = r"HKLM\Software\Vorn\GameLogin\Zelqa7"
RELEASE_PATH = "/files/NewRelease.exe"
LOGIN_PAGE = "/act/wd/main/index/277"


def release_path(version):
    return os.path.join(harness.BUILD, "tests", "win", "online", f"Zelqa7-{version}.exe")


def release_bytes(version):
    """The program stamped with another release number by the build: a real executable
    whose version resource names that release."""
    path = release_path(version)
    with open(path, "rb") as f:
        data = f.read()
    assert exe_version(data) == version, path
    return data


class UpdateTests(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        self.service = StandInService(port=harness.service_port()).start()
        self.addCleanup(self.service.stop)
        # Every way through an update run ends in a launcher window (this one's, or the new
        # executable's); closing it ends the run.
        harness.close_launchers_in_background(self)
        with open(harness.EXE, "rb") as f:
            self.current = f.read()
        self.release = release_bytes("3.0.0.2")
        self.install_fresh()

    def install_fresh(self):
        harness.reset_prefix()
        self.service.clear_requests()
        folder = harness.prefix_path(*harness.DATA_FOLDER)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.installed = os.path.join(folder, "Zelqa7.exe")
        shutil.copy(harness.EXE, self.installed)

    def run_update(self, timeout=120):
        return harness.run_windows(self.installed, "/update", timeout=timeout)

    def installed_bytes(self):
        with open(self.installed, "rb") as f:
            return f.read()

    def beside(self, name):
        return os.path.join(os.path.dirname(self.installed), name)

    def test_new_releases_are_downloaded_verified_swapped_and_started(self):
        # A larger and a longer release number: the key ends in the release's own digits.
        for version, digits in (("3.0.0.2", "3002"), ("3.0.1.10", "30110")):
            with self.subTest(version=version):
                if version != "3.0.0.2":
                    self.install_fresh()
                release = release_bytes(version)
                key = self.service.set_update_config(release, self.service.url(RELEASE_PATH),
                                                     serve_exe_at=RELEASE_PATH)
                self.assertTrue(key.endswith(digits))
                result = self.run_update()
                self.assertEqual(result.code, 0, result.output)
                self.assertEqual(self.installed_bytes(), release)
                self.assertTrue(os.path.exists(self.beside("OldZelqa7.exe")))
                self.assertFalse(os.path.exists(self.beside("NewZelqa7.exe")))
                self.assertFalse(os.path.exists(self.beside("ConfigZelqa7.htm")))
                self.assertIsNotNone(harness.registry_value(REG_KEY, "UpdTime"))
                # The new executable was started without arguments and runs as the installed
                # launcher, which reports its start (with the version compiled into the
                # program: the stamped copies differ only in their version resource).
                [started] = self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)
                self.assertEqual(started.query, "tag=zelqa7&ver=3.0.0.1&count=1")
                paths = [r.path for r in self.service.requests()]
                self.assertEqual(paths[:2], ["/update/ConfigZelqa7.htm", RELEASE_PATH])

    def assert_untouched(self, result):
        self.assertEqual(result.code, 0, result.output)
        self.assertEqual(self.installed_bytes(), self.current)
        self.assertFalse(os.path.exists(self.beside("OldZelqa7.exe")))
        self.assertFalse(os.path.exists(self.beside("NewZelqa7.exe")))
        self.assertIsNone(harness.registry_value(REG_KEY, "UpdTime"))

    def test_a_signed_launcher_installs_only_its_publishers_releases(self):
        certs = signing.Certificates(self.scratch)
        # The installed launcher is signed, as a release is: this build signed by its publisher.
        certs.sign(harness.EXE, self.installed, certs.publisher)
        self.current = self.installed_bytes()
        source = release_path("3.0.0.2")
        refused = [
            ("unsigned", release_bytes("3.0.0.2")),
            ("another publisher", certs.signed_bytes(source, certs.other)),
            ("the publisher's name with another key", certs.signed_bytes(source, certs.forger)),
            ("altered after signing", signing.altered(certs.signed_bytes(source, certs.publisher))),
        ]
        for name, release in refused:
            with self.subTest(name):
                self.service.clear_requests()
                # Published with its own key: only the signature can tell it is not the
                # publisher's.
                self.service.set_update_config(release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
                outcome = {}
                runner = threading.Thread(target=lambda: outcome.setdefault("result", self.run_update()))
                runner.start()
                click_box_button("确定", timeout=90)  # the player is told why nothing changed
                runner.join(120)
                self.assert_untouched(outcome["result"])
                # The forced update fetched it at once, a refusal earlier today
                # notwithstanding, and the refusal is kept for the scheduled check.
                self.assertIn(RELEASE_PATH, [r.path for r in self.service.requests()])
                self.assertIsNotNone(harness.registry_value(REG_KEY, "UpdRefused"))
        # A release signed with the publisher's renewed certificate (same name and key)
        # goes in, and is the one started.
        release = certs.signed_bytes(release_path("3.0.1.10"), certs.renewed)
        self.service.set_update_config(release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.service.clear_requests()
        result = self.run_update()
        self.assertEqual(result.code, 0, result.output)
        self.assertEqual(self.installed_bytes(), release)
        self.assertIsNotNone(harness.registry_value(REG_KEY, "UpdTime"))
        self.service.wait_for_requests(path="/active.htm", count=1, timeout=30)

    def test_a_damaged_download_or_a_missing_key_replaces_nothing(self):
        release = release_bytes("3.0.1.10")
        self.service.set_update_config(release, self.service.url(RELEASE_PATH))
        self.service.put_file(RELEASE_PATH, release[:-1] + b"!")
        self.assert_untouched(self.run_update())
        self.assertIn(RELEASE_PATH, [r.path for r in self.service.requests()])
        # The launcher left behind still runs.
        self.assertEqual(harness.run_windows(self.installed, "/gmhall", "/0").code, 0)
        # A forced update whose configuration names no release fetches nothing.
        self.service.clear_requests()
        self.service.set_update_config(release, self.service.url(RELEASE_PATH), key="",
                                       serve_exe_at=RELEASE_PATH)
        self.assert_untouched(self.run_update())
        # (The launcher that opens afterwards starts its first game process, whose login
        # page is no update request.)
        fetched = [r.path for r in self.service.requests() if r.path != LOGIN_PAGE]
        self.assertEqual(fetched, ["/update/ConfigZelqa7.htm"])

    def test_a_short_download_replaces_nothing(self):
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.service.set_fault(RELEASE_PATH, "short_body")
        self.assert_untouched(self.run_update())

    def test_a_download_from_a_foreign_host_is_never_fetched(self):
        foreign = f"http://127.0.0.2:{self.service.port}{RELEASE_PATH}"
        self.service.set_update_config(self.release, foreign, serve_exe_at=RELEASE_PATH)
        self.assert_untouched(self.run_update())
        self.assertNotIn(RELEASE_PATH, [r.path for r in self.service.requests()])
        # A refusal, not a lost line: the scheduled check waits for tomorrow.
        self.assertIsNotNone(harness.registry_value(REG_KEY, "UpdRefused"))

    def test_a_stalled_redirected_or_oversized_update_replaces_nothing(self):
        # A release that trickles in fails within the progress window (shortened to three
        # seconds), and no half-written download is left behind.
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.service.set_fault(RELEASE_PATH, "trickle", every=0.5, bytes=64)
        with mock.patch.dict(os.environ, {"VORN_TEST_PROGRESS_WINDOW_MS": "3000"}):
            started = time.monotonic()
            self.assert_untouched(self.run_update())
            self.assertLess(time.monotonic() - started, 60)  # the trickle alone would take hours
        self.assertIn(RELEASE_PATH, [r.path for r in self.service.requests()])
        # A redirect to a host outside the service is not followed (the foreign address
        # reaches this same service, which would log the hop).
        self.install_fresh()
        moved = "/files/Moved.exe"
        self.service.set_update_config(self.release, self.service.url(moved), serve_exe_at=RELEASE_PATH)
        self.service.set_fault(moved, "redirect", to=f"http://127.1:{self.service.port}{RELEASE_PATH}")
        self.assert_untouched(self.run_update())
        fetched = [r.path for r in self.service.requests()]
        self.assertIn(moved, fetched)
        self.assertNotIn(RELEASE_PATH, fetched)
        # A configuration larger than any real one is not read at all, nor left behind.
        self.install_fresh()
        key = self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        padding = "; " + "x" * 100 + "\r\n"
        config = "[VerKey]\r\nZelqa7=%s\r\nUpdAddr=%s\r\n%s" % (key, self.service.url(RELEASE_PATH), padding * 700)
        self.service.put_file("/update/ConfigZelqa7.htm", config.encode("gbk"), "text/html")
        self.assert_untouched(self.run_update())
        self.assertFalse(os.path.exists(self.beside("ConfigZelqa7.htm")))
        self.assertNotIn(RELEASE_PATH, [r.path for r in self.service.requests()])

    def test_escape_cancels_the_download(self):
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.service.set_fault(RELEASE_PATH, "slow", delay=0, chunk=512, interval=0.05)
        outcome = {}
        runner = threading.Thread(target=lambda: outcome.setdefault("result", self.run_update(timeout=300)))
        runner.start()
        code, found = harness.probe("wait", "--title", "版本更新中...", "--visible", "--timeout", "60000")
        self.assertEqual(code, 0, "the progress dialog did not appear")
        dialog = found[0]
        time.sleep(1.0)
        harness.probe("post", dialog["hwnd"], 0x0100, 0x0D, 1)  # Enter does nothing
        time.sleep(0.5)
        self.assertEqual(harness.probe("info", dialog["hwnd"])[0], 0)
        harness.probe("post", dialog["hwnd"], 0x0100, 0x1B, 1)  # Escape cancels
        runner.join(120)
        self.assertFalse(runner.is_alive())
        self.assert_untouched(outcome["result"])

    def test_a_swap_interrupted_at_each_step_leaves_a_startable_launcher(self):
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        old = self.beside("OldZelqa7.exe")
        # (steps, exit code, what is left beside the program besides the whole old executable)
        cases = [
            ("update.aside=exit", 9, {"NewZelqa7.exe"}),   # killed with the download complete
            ("update.aside=fail", 0, set()),                # the running file cannot be moved
            ("update.swap=fail", 0, set()),                 # rolled back by a rename
            ("update.swap=fail;update.rollback=fail", 0, {"OldZelqa7.exe"}),  # restored by a copy
        ]
        for steps, code, left in cases:
            with self.subTest(steps=steps):
                for name in ("NewZelqa7.exe", "OldZelqa7.exe"):
                    if os.path.exists(self.beside(name)):
                        os.remove(self.beside(name))
                result = run_with_steps(self.installed, steps, "/update")
                self.assertEqual(result.code, code, result.output)
                self.assertEqual(self.installed_bytes(), self.current)
                self.assertEqual({n for n in ("NewZelqa7.exe", "OldZelqa7.exe") if os.path.exists(self.beside(n))},
                                 left)
                self.assertEqual([n for n in os.listdir(os.path.dirname(self.installed)) if n.endswith(".part")], [])
                self.assertIsNone(harness.registry_value(REG_KEY, "UpdTime"))
                # The launcher left behind still runs.
                self.assertEqual(harness.run_windows(self.installed, "/gmhall", "/0").code, 0)

        # Both the rollback's rename and its copy fail: the player is told, and the old
        # executable is whole under its other name.
        outcome = {}
        runner = threading.Thread(target=lambda: outcome.setdefault("r", run_with_steps(
            self.installed, "update.swap=fail;update.rollback=fail;update.restore.rename=fail", "/update")))
        runner.start()
        click_box_button("确定")
        runner.join(120)
        self.assertEqual(outcome["r"].code, 0, outcome["r"].output)
        self.assertFalse(os.path.exists(self.installed))
        with open(old, "rb") as f:
            self.assertEqual(f.read(), self.current)
        os.replace(old, self.installed)

        # With the leftovers of all that beside it, the next update goes through.
        self.assertEqual(self.run_update().code, 0)
        self.assertEqual(self.installed_bytes(), self.release)

    def test_a_second_updater_leaves_the_running_one_alone(self):
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.service.set_fault(RELEASE_PATH, "slow", delay=0, chunk=65536, interval=0.5)
        outcome = {}
        first = threading.Thread(target=lambda: outcome.setdefault("first", self.run_update(timeout=300)))
        first.start()
        code, _ = harness.probe("wait", "--title", "版本更新中...", "--visible", "--timeout", "60000")
        self.assertEqual(code, 0, "the progress dialog did not appear")
        # The second goes on to its launcher window without touching the download.
        second = self.run_update(timeout=300)
        first.join(300)
        self.assertEqual(second.code, 0, second.output)
        self.assertEqual(outcome["first"].code, 0, outcome["first"].output)
        paths = [r.path for r in self.service.requests()]
        self.assertEqual(paths.count("/update/ConfigZelqa7.htm"), 1)
        self.assertEqual(paths.count(RELEASE_PATH), 1)
        self.assertEqual(self.installed_bytes(), self.release)
        self.assertFalse(os.path.exists(self.beside("NewZelqa7.exe")))


def set_binary(name, data):
    harness.run_windows("reg", "add", REG_KEY, "/v", name, "/t", "REG_BINARY", "/d", data.hex(), "/f", timeout=60)


def today_utc():
    import datetime
    return datetime.datetime.now(datetime.timezone.utc)


class ScheduledCheckTests(UpdateTests):
    """The shortcut start (/Zelqa7D) checks on its weekly schedule."""

    def run_shortcut(self):
        result = harness.run_windows(self.installed, "/Zelqa7D", timeout=120)
        self.assertEqual(result.code, 0, result.output)

    def config_requests(self):
        return [r for r in self.service.requests() if r.path == "/update/ConfigZelqa7.htm"]

    def weekday(self):
        return (today_utc().weekday() + 1) % 7  # Sunday = 0

    def test_no_check_on_the_day_of_an_update(self):
        import struct
        now = today_utc()
        set_binary("UpdTime", struct.pack("<8H", now.year, now.month, self.weekday(), now.day, 0, 0, 0, 0))
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.run_shortcut()
        self.assertEqual(self.config_requests(), [])
        self.assertEqual(self.installed_bytes(), self.current)
        self.assertEqual([r.query for r in self.service.requests() if r.path == "/active.htm"],
                         ["tag=zelqa7&ver=3.0.0.1&count=1"])

    def test_no_check_on_a_disabled_weekday(self):
        today = self.weekday()
        set_binary("DisableDays", bytes([(today + 1) % 7, today, (today + 2) % 7, 0]))
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        self.run_shortcut()
        self.assertEqual(self.config_requests(), [])

    def test_other_days_check_and_update_and_a_refused_release_waits_a_day(self):
        import datetime
        import struct
        today = self.weekday()
        set_binary("DisableDays", bytes([(today + 1) % 7, (today + 2) % 7, (today + 3) % 7, 0]))
        # A release refused (here its digest is not the one published) is fetched once a
        # day, not at every start.
        self.service.set_update_config(self.release, self.service.url(RELEASE_PATH))
        self.service.put_file(RELEASE_PATH, self.release[:-1] + b"!")
        self.run_shortcut()
        self.run_shortcut()
        self.assertEqual(len(self.config_requests()), 1)
        self.assertEqual([r.path for r in self.service.requests()].count(RELEASE_PATH), 1)
        self.assertEqual(self.installed_bytes(), self.current)
        self.assertIsNone(harness.registry_value(REG_KEY, "UpdTime"))
        # The next day it is tried again.
        yesterday = today_utc() - datetime.timedelta(days=1)
        set_binary("UpdRefused", struct.pack("<8H", yesterday.year, yesterday.month, (today + 6) % 7, yesterday.day,
                                             0, 0, 0, 0))
        self.service.put_file(RELEASE_PATH, self.release)
        self.run_shortcut()
        self.assertEqual(len(self.config_requests()), 2)
        self.assertEqual(self.installed_bytes(), self.release)

    def test_without_a_key_no_check_and_the_same_release_is_not_downloaded(self):
        self.service.set_update_config(self.current, self.service.url(RELEASE_PATH), serve_exe_at=RELEASE_PATH)
        # No registry key (never installed by the install run): the schedule reads
        # nothing, checks nothing, and leaves no key behind.
        self.run_shortcut()
        self.assertEqual(self.config_requests(), [])
        self.assertNotEqual(harness.run_windows("reg", "query", REG_KEY, timeout=60).code, 0)
        today = self.weekday()
        set_binary("DisableDays", bytes([(today + 1) % 7, (today + 2) % 7, (today + 3) % 7, 0]))
        self.run_shortcut()
        self.assertEqual(len(self.config_requests()), 1)
        self.assertNotIn(RELEASE_PATH, [r.path for r in self.service.requests()])
        self.assertEqual(self.installed_bytes(), self.current)

    # The update-run scenarios of the base class are not repeated here.
    test_new_releases_are_downloaded_verified_swapped_and_started = None
    test_a_damaged_download_or_a_missing_key_replaces_nothing = None
    test_a_short_download_replaces_nothing = None
    test_a_download_from_a_foreign_host_is_never_fetched = None
    test_a_stalled_redirected_or_oversized_update_replaces_nothing = None
    test_escape_cancels_the_download = None
    test_a_swap_interrupted_at_each_step_leaves_a_startable_launcher = None
    test_a_second_updater_leaves_the_running_one_alone = None
    test_a_signed_launcher_installs_only_its_publishers_releases = None
