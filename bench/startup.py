"""Prints the executable's size and its start-to-exit time under Wine next to a trivial
Win32 program's, measured in the same run. Figures only: nothing here passes or fails."""
import os
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("VORN_BUILD_WINDOWS", os.path.join(REPO, "build", "windows"))
RUNS = int(os.environ.get("VORN_BENCH_RUNS", "15"))


def timed(program, *args):
    start = time.perf_counter()
    subprocess.run(["wine", program, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    exe = os.path.join(BUILD, "res", "Zelqa7.exe")
    trivial = os.path.join(BUILD, "bench", "vorn_bench_trivial.exe")
    print(f"Zelqa7.exe size: {os.path.getsize(exe)} bytes ({os.path.getsize(exe) / 1024:.0f} KiB)")
    print(f"trivial Win32 program size: {os.path.getsize(trivial)} bytes")
    # Warm up the wineserver and the file cache before measuring.
    timed(trivial)
    timed(exe, "/gmhall", "/0")
    ours, reference = [], []
    for _ in range(RUNS):
        reference.append(timed(trivial))
        ours.append(timed(exe, "/gmhall", "/0"))
    mo, mr = statistics.median(ours), statistics.median(reference)
    print(f"start to exit, median of {RUNS}: Zelqa7.exe /gmhall /0 {mo * 1000:.1f} ms, "
          f"trivial program {mr * 1000:.1f} ms, ratio {mo / mr:.2f}")
    print(f"start to exit, fastest: Zelqa7.exe {min(ours) * 1000:.1f} ms, trivial {min(reference) * 1000:.1f} ms")


if __name__ == "__main__":
    sys.exit(main())
