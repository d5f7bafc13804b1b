#!/bin/bash
# Runs every test: the stand-in service's own tests, the native unit tests (under
# AddressSanitizer and UBSan), the Windows tests under Wine, and the end-to-end tests.
# After the builds, the suites run side by side: they share no Wine prefix, no display and
# no port (the Windows tests have a prefix and an X display of their own; only the
# end-to-end tests use the development build's stand-in port).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup-debian.sh"
cd "$repo"
export VORN_BUILD_NATIVE="${VORN_BUILD_NATIVE:-$repo/build/native}"
export VORN_BUILD_WINDOWS="${VORN_BUILD_WINDOWS:-$repo/build/windows}"
started=$SECONDS

echo "== building"
scripts/build.sh native
scripts/build.sh windows
echo "== built in $((SECONDS - started)) s"

source tools/wine/env.sh
e2e_root="$VORN_WINE_ROOT"
win_root="$e2e_root-windows-tests"
display="${VORN_XVFB_DISPLAY:-77}"
logs="$repo/build/test-logs"
rm -rf "$logs"
mkdir -p "$logs"

finish() {
  for root in "$e2e_root" "$win_root"; do
    WINEPREFIX="$root/prefix" wineserver -k 2>/dev/null || true
  done
  [ -f "$logs/xvfb.pids" ] && xargs -r kill <"$logs/xvfb.pids" 2>/dev/null || true
}
trap finish EXIT

# Displays of the tests' own, whatever display the caller has: screenshots, pixels and
# typed keys must not depend on (or disturb) a desktop. One started here ends with the run.
own_display() {
  local n="$1"
  if ! DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    echo $! >>"$logs/xvfb.pids"
    for _ in $(seq 1 100); do DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
  fi
  DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on :$n" >&2; exit 1; }
}
own_display "$display"
own_display "$((display + 1))"

# One prepared prefix for each Wine suite (made once, reset between scenarios).
VORN_WINE_ROOT="$e2e_root" tools/wine/prepare.sh &
first=$!
VORN_WINE_ROOT="$win_root" tools/wine/prepare.sh
wait "$first"

suite() {
  local name="$1" limit="$2"
  shift 2
  local start=$SECONDS rc=0
  timeout --kill-after=30 "$limit" "$@" >"$logs/$name.log" 2>&1 || rc=$?
  echo "$rc $((SECONDS - start))" >"$logs/$name.rc"
}

echo "== running the suites side by side (logs in build/test-logs)"
suite standin 600 python3 -m unittest discover -s tools/standin -p 'test_*.py' &
suites=($!)
suite native 900 ctest --test-dir "$VORN_BUILD_NATIVE" --output-on-failure &
suites+=($!)
(
  export VORN_WINE_ROOT="$win_root" DISPLAY=":$((display + 1))"
  suite windows 1800 ctest --test-dir "$VORN_BUILD_WINDOWS" --output-on-failure
) &
suites+=($!)
(
  export VORN_WINE_ROOT="$e2e_root" DISPLAY=":$display"
  suite e2e 1800 python3 -m unittest discover -s tests/e2e -p 'test_*.py' -t .
) &
suites+=($!)
# Only the suites: the displays started above are background jobs too.
wait "${suites[@]}"

failed=0
for name in standin native windows e2e; do
  read -r rc seconds <"$logs/$name.rc"
  if [ "$rc" -eq 0 ]; then
    echo "== $name: passed in $seconds s ($(grep -E 'tests passed|^Ran [0-9]+ tests' "$logs/$name.log" | tail -1))"
  else
    failed=1
    echo "== $name: FAILED (exit $rc after $seconds s)"
    cat "$logs/$name.log"
    if [ "$name" = windows ]; then
      for log in "$win_root"/logs/*.log; do
        [ -e "$log" ] && { echo "== output of a killed run: $log"; tail -n 40 "$log"; }
      done
    fi
  fi
done
echo "== all suites in $((SECONDS - started)) s"
exit "$failed"
