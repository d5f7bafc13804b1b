"""Screenshots of the two windows the other screenshot scripts do not reach, each cropped to
the window: the login background of a real game process (started by the launcher), and
the update progress dialog of "/update" half way through a slow download. Run with the
Wine rig's display; pictures go to the folder given as the first argument."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)

from tests.e2e import harness  # noqa: E402
from tests.e2e.launcher_rig import INSTALLED_EXE, TITLE, wait_until  # noqa: E402
from tools.standin import StandInService  # noqa: E402

UPDATE_TITLE = "版本更新中..."


def shoot_window(window, path):
    left, top, right, bottom = window["rect"]
    time.sleep(1.5)  # let the first paints settle
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", "-crop",
                    f"{right - left}x{bottom - top}+{left}+{top}", "+repage", path], check=True)
    print(path)


def visible_windows(title):
    return harness.probe("find", "--title", title, "--visible")[1]


def large(windows, pid_other_than=None):
    return [w for w in windows if w["rect"][2] - w["rect"][0] > 200 and w["pid"] != pid_other_than]


def main(out):
    os.makedirs(out, exist_ok=True)
    folder = harness.prefix_path(*harness.DATA_FOLDER)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(harness.EXE, os.path.join(folder, "Zelqa7.exe"))
    with open(harness.EXE, "rb") as f:
        exe = f.read()
    env = harness.wine_env()
    env.pop("VORN_TEST_TAB_PROGRAM", None)  # the real game process this time
    with StandInService(port=harness.service_port()) as service:
        service.set_update_config(exe, service.url("/files/Zelqa7.exe"))
        # The launcher's first game process shows its login background over the (still
        # one-pixel) launcher; the page itself never renders under Wine.
        launcher = subprocess.Popen([harness.WINE_EXEC, INSTALLED_EXE], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        try:
            found = wait_until(lambda: large(visible_windows(TITLE)), timeout=60, what="the login background")
            background = min(found, key=lambda w: w["hwnd"])
            shoot_window(background, os.path.join(out, "login-background.png"))
        finally:
            launcher.kill()
            launcher.wait()
            subprocess.run(["wineserver", "-k"], env=env, check=False)

        # A forced update downloads the release even when it is the same; half of it at
        # once and the rest much later keeps the progress dialog half way.
        service.put_file("/files/Zelqa7.exe", exe)
        service.set_fault("/files/Zelqa7.exe", "slow", delay=0, chunk=len(exe) // 2 + 1, interval=30.0)
        updater = subprocess.Popen([harness.WINE_EXEC, INSTALLED_EXE, "/update"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            dialog = wait_until(lambda: large(visible_windows(UPDATE_TITLE)), timeout=60, what="the update dialog")[0]
            shoot_window(dialog, os.path.join(out, "update-download.png"))
        finally:
            updater.kill()
            updater.wait()
            subprocess.run(["wineserver", "-k"], env=env, check=False)


if __name__ == "__main__":
    main(sys.argv[1])
