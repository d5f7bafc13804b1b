"""Runs the end-to-end test classes on several rigs side by side. A rig is a prepared Wine
prefix, an X display and a stand-in port of its own (the development build is pointed at
its port by VORN_TEST_SERVICE_PORT), so scenarios on different rigs share nothing. Each rig
takes the next class from one queue, the longest first, and runs it in a process of its own.

    python3 -m tests.e2e.side_by_side ROOT:DISPLAY:[PORT] [ROOT:DISPLAY:[PORT] ...]

Prints each class's result and time as it ends, then the output of every failed class;
exits 1 when any failed."""
import os
import queue
import subprocess
import sys
import threading
import time
import unittest

# The classes that take longest go first, so no rig is left with a long one at the end.
LONGEST_FIRST = [
    "tests.e2e.test_update.UpdateTests",
    "tests.e2e.test_launcher.LauncherTests",
    "tests.e2e.test_http_client.HttpClientTests",
    "tests.e2e.test_update.ScheduledCheckTests",
    "tests.e2e.test_uninstall.UninstallTests",
    "tests.e2e.test_notice_and_download.NoticeTests",
    "tests.e2e.test_install.InstallTests",
]
CLASS_LIMIT_S = 1200


def test_classes():
    suite = unittest.defaultTestLoader.discover("tests/e2e", pattern="test_*.py", top_level_dir=".")
    found = []

    def walk(s):
        for t in s:
            if isinstance(t, unittest.TestSuite):
                walk(t)
            else:
                name = t.id().rsplit(".", 1)[0]
                if isinstance(t, unittest.loader._FailedTest):
                    name = t.id()  # a module that does not import: run it to see why
                if name not in found:
                    found.append(name)

    walk(suite)
    first = [c for c in LONGEST_FIRST if c in found]
    return first + [c for c in found if c not in first]


def run_rig(rig, work, results, lock):
    root, display, port = rig.split(":")
    env = dict(os.environ, VORN_WINE_ROOT=root, DISPLAY=":" + display, VORN_XVFB_DISPLAY=display)
    env.pop("VORN_TEST_SERVICE_PORT", None)
    if port:  # none: the port compiled into the build
        env["VORN_TEST_SERVICE_PORT"] = port
    while True:
        try:
            name = work.get_nowait()
        except queue.Empty:
            return
        start = time.monotonic()
        try:
            proc = subprocess.run([sys.executable, "-m", "unittest", name], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, timeout=CLASS_LIMIT_S)
            code, output = proc.returncode, proc.stdout.decode("utf-8", "replace")
        except subprocess.TimeoutExpired as e:
            code, output = -1, (e.output or b"").decode("utf-8", "replace") + f"\nno end after {CLASS_LIMIT_S} s"
        seconds = time.monotonic() - start
        ran = sum(int(line.split()[1]) for line in output.splitlines() if line.startswith("Ran "))
        with lock:
            results.append((name, code, output))
            print(f"== {name}: {'ok' if code == 0 else 'FAILED'}, {ran} tests in {seconds:.0f} s on :{display}",
                  flush=True)


def main(rigs):
    work = queue.Queue()
    for name in test_classes():
        work.put(name)
    results, lock = [], threading.Lock()
    threads = [threading.Thread(target=run_rig, args=(rig, work, results, lock)) for rig in rigs]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    failed = [r for r in results if r[1] != 0]
    for name, code, output in failed:
        print(f"==== {name} (exit {code})\n{output}")
    total = sum(int(line.split()[1]) for _, _, out in results for line in out.splitlines() if line.startswith("Ran "))
    print(f"Ran {total} tests in {len(results)} classes, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1:]))
