#!/bin/bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and UBSan) in build/fuzz
# and runs each for SECONDS (default 60), starting from its kept corpus. Prints one line per
# target: name, executions, executions per second, crashes. Exits non-zero on any failure;
# the failing input is copied to tests/fuzz/regressions/<target>/, where the native tests
# replay it from then on. VORN_FUZZ_ONLY="name ..." runs only the targets named.
# Installs what it needs on Debian 12 when missing; needs root (or sudo) for that.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
build="${VORN_BUILD_FUZZ:-$repo/build/fuzz}"

packages=(cmake ninja-build clang-14 libclang-rt-14-dev libcapstone-dev libssl-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$repo" -B "$build" -G Ninja -DVORN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 "${@:2}" >/dev/null
cmake --build "$build" >/dev/null

failures=0
printf '%-22s %14s %10s %8s\n' target executions 'exec/s' crashes
for program in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$program" ] || continue
  name="${program##*/fuzz_}"
  if [ -n "${VORN_FUZZ_ONLY:-}" ] && [[ " $VORN_FUZZ_ONLY " != *" $name "* ]]; then continue; fi
  work="$build/runs/$name"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  # New inputs go to the run's own corpus; the kept seeds and regressions are read only.
  inputs=("$work/corpus")
  for kept in "$repo/tests/fuzz/corpus/$name" "$repo/tests/fuzz/regressions/$name"; do
    [ -d "$kept" ] && inputs+=("$kept")
  done
  status=0
  "$program" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "${inputs[@]}" >"$work/log" 2>&1 || status=$?
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -n 1)"
  crashes="$(find "$work/artifacts" -type f | wc -l)"
  printf '%-22s %14s %10s %8s\n' "$name" "${executions:-?}" "${rate:-?}" "$crashes"
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failures=$((failures + 1))
    mkdir -p "$repo/tests/fuzz/regressions/$name"
    find "$work/artifacts" -type f -exec cp {} "$repo/tests/fuzz/regressions/$name/" \;
    echo "== $name failed (exit $status); its log: $work/log" >&2
    grep -m 5 -E 'property failed|ERROR|SUMMARY' "$work/log" >&2 || tail -n 20 "$work/log" >&2
  fi
done
[ "$failures" -eq 0 ] || { echo "$failures target(s) failed" >&2; exit 1; }
