"""Prints the cost of the program's file digest and HTTP download next to the usual tools,
measured in the same run: MD5 of a 64 MB file against md5sum, and a 32 MB download from
the stand-in service against curl, both as the plain file variant and as the update's
executable download (a worker thread reporting to a progress bar). The programs measured
are small ones that link only the code measured; their start under Wine is printed too.
The download is timed by each program itself, from its request to its closed file (curl's
time_total), so the start of a Wine process, which moves by tens of milliseconds from run
to run here, is not part of it; the three take turns, so a slow spell of the machine falls
on all of them. Figures only: nothing here passes or fails."""
import os
import statistics
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


def transfer_ms(command):
    """The transfer time a download command prints as its last line, in milliseconds."""
    out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=False)
    lines = out.stdout.decode("utf-8", "replace").split()
    if out.returncode != 0 or not lines:
        return None
    return float(lines[-1].replace(",", "."))


def main():
    with tempfile.TemporaryDirectory(dir=os.path.join(REPO, "build")) as scratch:
        big = os.path.join(scratch, "big.bin")
        with open(big, "wb") as f:
            f.write(os.urandom(64 * 1024 * 1024))
        start_cost = best_of(["wine", os.path.join(BENCH, "vorn_bench_trivial.exe")])
        print(f"starting a trivial program under Wine: {start_cost * 1000:.0f} ms (included in the MD5 figure below; the download figures leave it out)")
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
            commands = {
                "curl": ["curl", "-s", "-o", os.path.join(scratch, "c.bin"), "-w", "%{time_total}\\n", url],
                "file": ["wine", download, "file", url, os.path.join(scratch, "a.bin")],
                "progress": ["wine", download, "progress", url, os.path.join(scratch, "b.bin")],
            }
            times = {name: [] for name in commands}
            for _ in range(max(RUNS, 7)):
                for name, command in commands.items():
                    ms = transfer_ms(command)
                    if ms is not None:
                        times[name].append(ms * 1000 if name == "curl" else ms)
        finally:
            service.stop()
        if not all(times.values()):
            print(f"download of 32 MB: not measured (a download failed): {times}")
            return 1
        median = {name: statistics.median(t) for name, t in times.items()}
        best = {name: min(t) for name, t in times.items()}
        print(f"download of 32 MB on loopback, median of {len(times['curl'])}: HttpGet to a file "
              f"{median['file']:.0f} ms, with the progress bar {median['progress']:.0f} ms, curl "
              f"{median['curl']:.0f} ms, ratios {median['file'] / median['curl']:.2f} and "
              f"{median['progress'] / median['curl']:.2f}")
        print(f"  fastest: HttpGet to a file {best['file']:.0f} ms, with the progress bar {best['progress']:.0f} ms, "
              f"curl {best['curl']:.0f} ms")
        figure("download of 32 MB to a file (median)", f"{median['file']:.0f} ms",
               f"{median['curl']:.0f} ms (curl)", median["file"] / median["curl"], "≤ 2×")
        figure("download of 32 MB with the progress bar (median)", f"{median['progress']:.0f} ms",
               f"{median['curl']:.0f} ms (curl)", median["progress"] / median["curl"], "≤ 2×")
        return 0


if __name__ == "__main__":
    sys.exit(main())
