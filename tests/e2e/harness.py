"""Runs the real executable under Wine and watches it from outside, as a player or another
process would: windows through the wprobe helper, files in the prefix, requests at the
stand-in service."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("VORN_BUILD_WINDOWS", os.path.join(REPO, "build", "windows"))
WINE_EXEC = os.path.join(REPO, "tools", "wine", "wine-exec.sh")
RESET = os.path.join(REPO, "tools", "wine", "reset.sh")
EXE = os.path.join(BUILD, "res", "Zelqa7.exe")
WPROBE = os.path.join(BUILD, "tools", "wprobe", "wprobe.exe")


def wine_env():
    env = dict(os.environ)
    env.setdefault("VORN_WINE_ROOT", os.path.join(REPO, "build", "wine"))
    return env


def prefix_path(*windows_parts):
    """Linux path of a file inside the prefix's drive C."""
    return os.path.join(wine_env()["VORN_WINE_ROOT"], "prefix", "drive_c", *windows_parts)


def service_port():
    """The stand-in's port: the one the development build is pointed at by
    VORN_TEST_SERVICE_PORT (each rig of a side-by-side run has its own), else the one
    compiled into it, read from its cache."""
    if os.environ.get("VORN_TEST_SERVICE_PORT"):
        return int(os.environ["VORN_TEST_SERVICE_PORT"])
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            m = re.match(r"VORN_SERVICE_HOST:STRING=.*:(\d+)$", line.strip())
            if m:
                return int(m.group(1))
    raise RuntimeError("the build has no service port")


class Result:
    def __init__(self, code, output, seconds):
        self.code = code
        self.output = output
        self.seconds = seconds


def run_windows(program, *args, timeout=60, cwd=None):
    """Runs a Windows program to its end; the exit code is Wine's (low 8 bits)."""
    start = time.monotonic()
    proc = subprocess.run([WINE_EXEC, program, *args], env=wine_env(), cwd=cwd, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=timeout)
    return Result(proc.returncode, proc.stdout.decode("utf-8", "replace"), time.monotonic() - start)


def probe(*args, timeout=30):
    """Runs wprobe and answers (exit code, list of JSON objects it printed). A wait of its
    own ("--timeout MS") is given that long on top, so the probe, not the process limit,
    decides when the wait is over."""
    args = [str(a) for a in args]
    if "--timeout" in args[:-1]:
        timeout += int(args[args.index("--timeout") + 1]) / 1000
    r = run_windows(WPROBE, *args, timeout=timeout)
    objects = []
    for line in r.output.splitlines():
        line = line.strip()
        if line.startswith("{"):
            objects.append(json.loads(line))
    return r.code, objects


# A reset stops the wineserver and waits for it to end; a background closer's window probe
# in the middle would start a new one and keep the reset waiting for ever.
_PREFIX_LOCK = threading.Lock()


def reset_prefix():
    with _PREFIX_LOCK:
        subprocess.run([RESET], env=wine_env(), check=True, stdout=subprocess.DEVNULL)


class WineTestCase(unittest.TestCase):
    """Skips cleanly when the Windows build is not there; gives each test a scratch folder
    that Windows programs can see (as Z:)."""

    def setUp(self):
        if not os.path.exists(EXE):
            self.skipTest("the Windows build is missing; run scripts/build.sh windows")
        self.scratch = tempfile.mkdtemp(prefix="vorn-e2e-", dir=os.path.join(REPO, "build"))

    def tearDown(self):
        shutil.rmtree(self.scratch, ignore_errors=True)


def read_ini(path):
    """Key/value pairs of an INI file in UTF-16 (with its mark) or the ANSI code page."""
    with open(path, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-16") if raw.startswith(b"\xff\xfe") else raw.decode("gbk", "replace")
    values = {}
    for line in text.splitlines():
        if "=" in line:
            key, value = line.split("=", 1)
            values[key.strip()] = value.strip()
    return values


def lnk_info(path):
    """The fields that lnkinfo (an independent reader of shortcut files) prints."""
    out = subprocess.run(["lnkinfo", path], stdout=subprocess.PIPE, check=True).stdout.decode("utf-8", "replace")
    fields = {}
    for line in out.splitlines():
        if ":" in line and line.startswith("\t") and not line.startswith("\t\t"):
            key, value = line.split(":", 1)
            fields[key.strip()] = value.strip()
    return fields


def registry_value(key, name):
    """The value's data as reg.exe prints it, or None when the key or value is not there.
    A read that fails otherwise raises, so a broken read never passes for a missing value."""
    r = run_windows("reg", "query", key, "/v", name, timeout=60)
    for line in r.output.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[0] == name:
            return parts[2]
    if r.code == 1:  # reg's answer for a key or value that does not exist
        return None
    raise RuntimeError(f"reg query {key} /v {name} ended with {r.code}: {r.output!r}")


DATA_FOLDER = ("ProgramData", "Vorn", "GameLogin")
DESKTOP = ("users", "Public", "Desktop")
START_MENU = ("ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Vorn登录器")


def _window_title():
    """The title of the program's windows as this build sets it (a development build's
    says so), from the settings header the build generated."""
    try:
        with open(os.path.join(BUILD, "generated", "common", "BuildSettings.h"), encoding="utf-8") as f:
            return re.search(r'kWindowTitle\[\] = L"([^"]*)"', f.read()).group(1)
    except (OSError, AttributeError):
        return "Vorn - Mirelund"


WINDOW_TITLE = _window_title()
LAUNCHER_TITLE = WINDOW_TITLE
WS_EX_APPWINDOW = 0x40000


def launcher_main_windows():
    """Launcher main windows (message boxes share their title and class, not this style)."""
    _, found = probe("find", "--title", LAUNCHER_TITLE, "--class", "#32770")
    return [w for w in found if w["exstyle"] & WS_EX_APPWINDOW]


def close_launcher(hwnd):
    """Closes a launcher main window as its close button does; one without game tabs then
    ends at once, without a question."""
    probe("post", hwnd, 0x0112, 0xF060, 0)  # WM_SYSCOMMAND, SC_CLOSE


class LauncherCloser:
    """Closes the launcher windows that programs under test open on their way (the copy an
    install starts, the launcher an update run falls back to), once each has been up for
    `age` seconds, so that its start-up report is not cut off."""

    def __init__(self, age=2.0, interval=0.5):
        self.age, self.interval = age, interval
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def start(self):
        self._thread.start()
        return self

    def stop(self):
        self._stop.set()
        self._thread.join(30)

    def _run(self):
        seen = {}
        while not self._stop.wait(self.interval):
            with _PREFIX_LOCK:
                now = time.monotonic()
                for window in launcher_main_windows():
                    first = seen.setdefault(window["hwnd"], now)
                    if now - first >= self.age:
                        close_launcher(window["hwnd"])


def close_launchers_in_background(test_case):
    closer = LauncherCloser().start()
    test_case.addCleanup(closer.stop)
    return closer


def close_launchers(timeout=30.0):
    """Closes every launcher window now and waits until they are gone."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        windows = launcher_main_windows()
        if not windows:
            return True
        for window in windows:
            close_launcher(window["hwnd"])
        time.sleep(0.3)
    return False


def wait_for_launcher_and_close(timeout=30.0):
    """Waits for a launcher window to open, then closes every one; True when they are gone."""
    deadline = time.monotonic() + timeout
    while not launcher_main_windows():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.2)
    return close_launchers(timeout)
