#!/usr/bin/env python3
"""Screenshots of the notice pop-up in its three layouts and of the game download dialog
half way, under Xvfb against the stand-in service. Pictures go to
build/notice-screenshots/ (or the first argument).

Run after scripts/build.sh windows, with the Wine rig's display:
    scripts/notice-screenshots.sh [folder]
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)

from tests.e2e import harness  # noqa: E402
from tools.standin import StandInService  # noqa: E402
from tools.standin.formats import notice_line  # noqa: E402

TOOL = os.path.join(harness.BUILD, "tests", "win", "online", "vorn_online_dialogs.exe")
INSTALLER = os.path.join(harness.BUILD, "tests", "win", "vorn_marker_child.exe")
TITLE = "新版本「星海」今日开放"
CONTENT = "本周六 10:00 至 12:00 停服维护，届时无法登录游戏，敬请谅解。维护后开放新副本与限时活动，欢迎参加！"


def picture(scratch, name, size, colours):
    path = os.path.join(scratch, name)
    w, h = (int(v) for v in size.split("x"))
    subprocess.run(["convert", "-size", size, "gradient:" + colours, "-fill", "white",
                    "-draw", "circle %d,%d %d,%d" % (w // 2, h // 2, w // 2, h // 4), path], check=True)
    with open(path, "rb") as f:
        return f.read()


def shoot(path):
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], check=True)
    print(path)


def run_while(args, when_ready, timeout=60):
    """Runs the dialogs tool and calls when_ready() from another thread meanwhile."""
    worker = threading.Thread(target=when_ready)
    worker.start()
    harness.run_windows(*args, timeout=timeout)
    worker.join()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build", "notice-screenshots")
    os.makedirs(out, exist_ok=True)
    scratch = tempfile.mkdtemp(prefix="vorn-shots-", dir=os.path.join(REPO, "build"))
    tool = os.path.join(scratch, os.path.basename(TOOL))
    shutil.copy(TOOL, tool)
    today = datetime.date.today().isoformat()
    try:
        with StandInService(port=harness.service_port()) as service:
            small = picture(scratch, "small.jpg", "75x80", "orange-purple")
            tall = picture(scratch, "tall.jpg", "160x190", "steelblue-navy")
            layouts = [
                ("notice-picture-text", "/notice/small.jpg", small, CONTENT),
                ("notice-picture", "/notice/tall.jpg", tall, ""),
                ("notice-text", "", None, CONTENT),
            ]
            for name, pic_path, pic, content in layouts:
                for stored in ("Statistic.ini", "PopWnd.jpg"):
                    if os.path.exists(os.path.join(scratch, stored)):
                        os.remove(os.path.join(scratch, stored))
                pic_url = service.url(pic_path) if pic_path else ""
                service.set_notice(notice_line(name, today, TITLE, service.url("/news.htm"), content, pic_url, 0),
                                   picture=pic, picture_path=pic_path or None)

                def later(name=name):
                    time.sleep(2.0)
                    shoot(os.path.join(out, name + ".png"))

                run_while([tool, "notice", "wait:4000"], later)

            # The download half way: the first half of the installer at once, the rest later.
            with open(INSTALLER, "rb") as f:
                installer = f.read()
            service.put_file("/update/ConfigTessaly.htm",
                             "[VerKey]\r\nUpdAddr=%s\r\n" % service.url("/files/TessalySetup.exe"))
            service.put_file("/files/TessalySetup.exe", installer)
            service.set_fault("/files/TessalySetup.exe", "slow", delay=0, chunk=len(installer) // 2 + 1,
                              interval=5.0)
            signal = os.path.join(scratch, "half")

            def at_half():
                deadline = time.monotonic() + 30
                while not os.path.exists(signal) and time.monotonic() < deadline:
                    time.sleep(0.05)
                time.sleep(0.8)
                shoot(os.path.join(out, "download-50.png"))

            run_while([tool, "download", "Tessaly", "signal-at:40:" + harness_path(signal)], at_half)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def harness_path(path):
    """The Windows name of a Linux path (Wine maps the root as Z:)."""
    return "Z:" + path.replace("/", "\\")


if __name__ == "__main__":
    main()
