"""Prints the FIGURE lines of a benchmark output (bench/figures.py) as one Markdown table,
in the order they were measured."""
import sys


def main(path):
    rows = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if parts[0] == "FIGURE" and len(parts) == 6:
                rows.append(parts[1:])
    print("| Figure | Ours | Reference | Ratio | Goal |")
    print("|---|---|---|---|---|")
    for what, ours, reference, ratio, goal in rows:
        print(f"| {what} | {ours} | {reference} | {ratio + '×' if ratio else '—'} | {goal} |")
    if not rows:
        print("| (no figure was measured: see the output above) | | | | |")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
