"""Drives the launcher through the scenes of scripts/launcher-screenshots.sh and takes a
screenshot of each: one tab, three tabs, the close box under the mouse, the add-account
question under its link, and the exit question. Game windows are the test build's
stand-ins; Wine does not draw windows of another process inside the launcher, so the
client area shows the launcher's own background."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from tests.e2e import harness  # noqa: E402
from tests.e2e.launcher_rig import (  # noqa: E402
    INSTALLED_EXE, SC_CLOSE, WM_ADD_ACCOUNT_ANSWER, WM_SYSCOMMAND, LauncherRig, answer_box, boxes_of,
    children_by_id, info, wait_until)


def shoot(out, name):
    time.sleep(1.0)  # let the last paints settle
    path = os.path.join(out, name + ".png")
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], check=True)
    print(path)


def main(out):
    os.makedirs(out, exist_ok=True)
    folder = harness.prefix_path(*harness.DATA_FOLDER)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(harness.EXE, os.path.join(folder, "Zelqa7.exe"))
    scratch = tempfile.mkdtemp(prefix="vorn-shots-", dir=os.path.join(harness.REPO, "build"))
    rig = LauncherRig(scratch)
    try:
        rig.start(INSTALLED_EXE)
        first = rig.new_child(timeout=60)
        main_window = first.launcher
        tabs = []
        for title in ("一区 张三", "二区 李四", "三区 王五"):
            child = first if not tabs else rig.new_child()
            child.register("login", title)
            wait_until(lambda: (info(child.frame) or {}).get("visible"), what="the game window")
            tabs.append(child)
            if len(tabs) == 1:
                subprocess.run(["xdotool", "mousemove", "700", "400"], check=True)
                shoot(out, "one-tab")
            if len(tabs) < 3:
                harness.probe("post", main_window, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        shoot(out, "three-tabs")
        # The mouse over the second tab's close box: hover look, close box in its hover image.
        subprocess.run(["xdotool", "mousemove", "440", "12"], check=True)
        time.sleep(0.3)
        subprocess.run(["xdotool", "mousemove", "490", "9"], check=True)
        shoot(out, "close-box-hover")
        subprocess.run(["xdotool", "mousemove", "700", "400"], check=True)
        link = children_by_id(main_window)[1005]
        harness.probe("click", link["hwnd"], 20, 8)
        wait_until(lambda: harness.probe("find", "--title", "登录其他账号", "--visible")[1], what="the question")
        shoot(out, "add-account-question")
        harness.probe("post", main_window, WM_SYSCOMMAND, SC_CLOSE, 0)
        wait_until(lambda: boxes_of(main_window), what="the exit question")
        shoot(out, "exit-question")
        answer_box(main_window, ["是", "否"], 5000)
    finally:
        rig.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
