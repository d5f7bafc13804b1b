"""A first look at the launcher: the real Zelqa7.exe of the development build, installed in
the prefix's data folder, with three game tabs played by the test build's stand-in game
process (tests/win/launcher/vorn_tab_child.exe), the stand-in platform service answering
its requests and offering a notice. Runs until the launcher is closed or Ctrl+C.

Wine does not draw the windows of one process inside another's, so a tab's page area shows
the launcher's own background; and no web page renders here (Wine's browser control has
no engine), so the real game processes would show only the login background."""
import datetime
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)

from tests.e2e import harness  # noqa: E402
from tests.e2e.launcher_rig import INSTALLED_EXE, WM_ADD_ACCOUNT_ANSWER, LauncherRig, info, wait_until  # noqa: E402
from tools.standin import StandInService  # noqa: E402
from tools.standin.formats import notice_line  # noqa: E402

TITLES = ("一区 张三", "二区 李四", "三区 王五")
NOTICE_TITLE = "新版本「星海」今日开放"
NOTICE_TEXT = "本周六 10:00 至 12:00 停服维护，届时无法登录游戏，敬请谅解。维护后开放新副本与限时活动！"


def notice_picture(scratch):
    path = os.path.join(scratch, "notice.jpg")
    subprocess.run(["convert", "-size", "75x80", "gradient:orange-purple", "-fill", "white", "-draw",
                    "circle 37,40 37,20", path], check=True)
    with open(path, "rb") as f:
        return f.read()


def main():
    # A termination ends the demo as Ctrl+C does: the launcher and the service go too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    folder = harness.prefix_path(*harness.DATA_FOLDER)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(harness.EXE, os.path.join(folder, "Zelqa7.exe"))
    # A notice not yet seen: forget the one shown last time.
    for stored in ("Statistic.ini", "PopWnd.jpg"):
        if os.path.exists(os.path.join(folder, stored)):
            os.remove(os.path.join(folder, stored))
    scratch = tempfile.mkdtemp(prefix="vorn-demo-", dir=os.path.join(REPO, "build"))
    service = StandInService(port=harness.service_port()).start()
    rig = LauncherRig(scratch)
    try:
        expiry = datetime.date.today().isoformat()  # the date the notice is for: today
        service.set_notice(notice_line("demo-%d" % time.time(), expiry, NOTICE_TITLE, service.url("/news.htm"),
                                       NOTICE_TEXT, service.url("/notice/demo.jpg"), 5),
                           picture=notice_picture(scratch), picture_path="/notice/demo.jpg")
        with open(harness.EXE, "rb") as f:
            service.set_update_config(f.read(), service.url("/files/Zelqa7.exe"))  # no update to offer
        launcher = rig.start(INSTALLED_EXE, "/Zelqa7D")
        first = rig.new_child(timeout=60)
        for title in TITLES:
            child = first if title == TITLES[0] else rig.new_child()
            child.register("login", title)
            wait_until(lambda: (info(child.frame) or {}).get("visible"), what="the game window")
            print(f"tab: {title}", flush=True)
            if title != TITLES[-1]:
                harness.probe("post", first.launcher, WM_ADD_ACCOUNT_ANSWER, 1, 0)
        print(f"The launcher runs on display {os.environ.get('DISPLAY')} with three tabs. The notice comes about "
              "five seconds after the first tab, for eleven seconds, and again a few times. The tray icon is in "
              "Wine's system tray window. Close the launcher (or press Ctrl+C here) to end.", flush=True)
        launcher.wait()
    except KeyboardInterrupt:
        pass
    finally:
        rig.stop()
        service.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
