#!/bin/bash
# Builds the Windows tree and prints the benchmark figures, then all of them again as one
# table with their ratios (the table also goes to build/bench-table.md).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup-debian.sh"
"$repo/scripts/build.sh" windows
VORN_BUILD_TARGETS=vorn_benchmarks "$repo/scripts/build.sh" windows
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
"$repo/tools/wine/prepare.sh"
vorn_ensure_display
wineserver -p >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k 2>/dev/null || true; [ -n "${VORN_STARTED_XVFB:-}" ] && kill "$VORN_STARTED_XVFB" 2>/dev/null || true' EXIT
python3 "$repo/bench/startup.py" </dev/null > "$repo/build/bench.txt" 2>&1 || true
wine "${VORN_BUILD_WINDOWS:-$repo/build/windows}/bench/vorn_bench_sound_mute.exe" </dev/null >> "$repo/build/bench.txt" 2>/dev/null || true
python3 "$repo/bench/key_hook.py" </dev/null >> "$repo/build/bench.txt" 2>&1 || true
python3 "$repo/bench/online.py" </dev/null >> "$repo/build/bench.txt" 2>&1 || true
python3 "$repo/bench/launcher.py" </dev/null >> "$repo/build/bench.txt" 2>&1 || true
python3 "$repo/bench/soak.py" </dev/null >> "$repo/build/bench.txt" 2>&1 || true
grep -v "^FIGURE" "$repo/build/bench.txt" || true
echo
python3 "$repo/bench/table.py" "$repo/build/bench.txt" | tee "$repo/build/bench-table.md"
