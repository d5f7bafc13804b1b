"""Runs the keyboard hook benchmark with the stand-in service stalling one address, so that
the program also measures its hook while a request of its own hangs. Checks with the
service that the request did arrive and stall; without that the stalled figure is
withheld. Figures only."""
import os
import subprocess
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)
from tools.standin import StandInService  # noqa: E402

BUILD = os.environ.get("VORN_BUILD_WINDOWS", os.path.join(REPO, "build", "windows"))
PROGRAM = os.path.join(BUILD, "bench", "vorn_bench_key_hook.exe")
STALL_PATH = "/notice/stall.txt"
STALLED_FIGURE = "FIGURE\tkeyboard hook per key-down while a request stalls\t"


def main():
    # A free port on 127.0.0.1: the program takes that host for the service's, any port.
    service = StandInService().start()
    try:
        service.set_fault(STALL_PATH, "stall")
        run = subprocess.run(["wine", PROGRAM, service.url(STALL_PATH)], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=False)
        stalled = [r for r in service.requests() if r.path == STALL_PATH and r.fault == "stall"]
    finally:
        service.stop()
    for line in run.stdout.splitlines():
        if line.startswith(STALLED_FIGURE) and not stalled:
            continue
        print(line)
    print(f"  the stand-in service held {len(stalled)} request(s) for {STALL_PATH} stalled"
          + ("" if stalled else ": the stalled figure is left out"), flush=True)
    return run.returncode


if __name__ == "__main__":
    sys.exit(main())
