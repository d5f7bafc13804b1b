"""Prints the cost of the program's file digest and HTTP download next to the usual tools,
measured in the same run: MD5 of a 64 MB file against md5sum, and a 32 MB download from
the stand-in service against curl. Figures only: nothing here passes or fails."""
import os
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)
from tools.standin import StandInService  # noqa: E402

BUILD = os.environ.get("VORN_BUILD_WINDOWS", os.path.join(REPO, "build", "windows"))
TOOL = os.path.join(BUILD, "tests", "win", "online", "vorn_httpget.exe")
RUNS = int(os.environ.get("VORN_BENCH_RUNS", "3"))


def best_of(command):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    with tempfile.TemporaryDirectory(dir=os.path.join(REPO, "build")) as scratch:
        big = os.path.join(scratch, "big.bin")
        with open(big, "wb") as f:
            f.write(os.urandom(64 * 1024 * 1024))
        trivial = os.path.join(BUILD, "bench", "vorn_bench_trivial.exe")
        start_cost = best_of(["wine", trivial])
        ours = best_of(["wine", TOOL, "md5", big])
        reference = best_of(["md5sum", big])
        print(f"MD5 of 64 MB: FileMd5Hex {ours * 1000:.0f} ms (of which about {start_cost * 1000:.0f} ms is "
              f"starting a program under Wine), md5sum {reference * 1000:.0f} ms, ratio {ours / reference:.2f}")

        service = StandInService().start()
        try:
            service.put_file("/big.bin", os.urandom(32 * 1024 * 1024))
            url = service.url("/big.bin")
            ours = best_of(["wine", TOOL, "file", url, os.path.join(scratch, "a.bin")])
            reference = best_of(["curl", "-s", "-o", os.path.join(scratch, "b.bin"), url])
        finally:
            service.stop()
        print(f"download of 32 MB on loopback: HttpGet {ours * 1000:.0f} ms, curl {reference * 1000:.0f} ms, "
              f"ratio {ours / reference:.2f}")


if __name__ == "__main__":
    sys.exit(main())
