"""Prints the cost of the program's file digest and HTTP download next to the usual tools,
measured in the same run: MD5 of a 64 MB file against md5sum, and a 32 MB download from
the stand-in service against curl, both as the plain file variant and as the update's
executable download (a worker thread reporting to a progress bar). The programs measured
are small ones that link only the code measured; their start under Wine is printed too.
Figures only: nothing here passes or fails."""
import os
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)
from tools.standin import StandInService  # noqa: E402
from bench.figures import figure  # noqa: E402

BUILD = os.environ.get("VORN_BUILD_WINDOWS", os.path.join(REPO, "build", "windows"))
BENCH = os.path.join(BUILD, "bench")
RUNS = int(os.environ.get("VORN_BENCH_RUNS", "5"))


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
        start_cost = best_of(["wine", os.path.join(BENCH, "vorn_bench_trivial.exe")])
        print(f"starting a trivial program under Wine: {start_cost * 1000:.0f} ms (included in the figures below)")
        ours = best_of(["wine", os.path.join(BENCH, "vorn_bench_md5.exe"), big])
        reference = best_of(["md5sum", big])
        print(f"MD5 of 64 MB: FileMd5Hex {ours * 1000:.0f} ms, md5sum {reference * 1000:.0f} ms, "
              f"ratio {ours / reference:.2f}")
        figure("MD5 of 64 MB (best of runs)", f"{ours * 1000:.0f} ms", f"{reference * 1000:.0f} ms (md5sum)",
               ours / reference, "keep (about 1.1×)")

        service = StandInService().start()
        try:
            service.put_file("/big.bin", os.urandom(32 * 1024 * 1024))
            url = service.url("/big.bin")
            download = os.path.join(BENCH, "vorn_bench_download.exe")
            reference = best_of(["curl", "-s", "-o", os.path.join(scratch, "c.bin"), url])
            plain = best_of(["wine", download, "file", url, os.path.join(scratch, "a.bin")])
            progress = best_of(["wine", download, "progress", url, os.path.join(scratch, "b.bin")])
        finally:
            service.stop()
        print(f"download of 32 MB on loopback: HttpGet to a file {plain * 1000:.0f} ms, with the progress bar "
              f"{progress * 1000:.0f} ms, curl {reference * 1000:.0f} ms, ratios {plain / reference:.2f} and "
              f"{progress / reference:.2f}")
        figure("download of 32 MB to a file (best of runs)", f"{plain * 1000:.0f} ms",
               f"{reference * 1000:.0f} ms (curl)", plain / reference, "≤ 2×")
        figure("download of 32 MB with the progress bar (best of runs)", f"{progress * 1000:.0f} ms",
               f"{reference * 1000:.0f} ms (curl)", progress / reference, "≤ 2×")


if __name__ == "__main__":
    sys.exit(main())
