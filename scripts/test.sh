#!/bin/bash
# Runs every test: the stand-in service's own tests, the native unit tests (under
# AddressSanitizer and UBSan), the Windows tests under Wine, and the end-to-end tests.
# The Wine prefixes are prepared while the programs build. After the builds, the suites run
# side by side: they share no Wine prefix, no display and no port. The Windows tests have a
# prefix and an X display of their own; the end-to-end scenarios run on two rigs, each a
# prefix, a display and a stand-in port (the second one points the development build at its
# port at run time).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup-debian.sh"
cd "$repo"
source scripts/dev-settings.sh
export VORN_BUILD_NATIVE="${VORN_BUILD_NATIVE:-$repo/build/native}"
export VORN_BUILD_WINDOWS="${VORN_BUILD_WINDOWS:-$repo/build/windows}"
started=$SECONDS

e2e_root="$(source tools/wine/env.sh && echo "$VORN_WINE_ROOT")"
e2e_root2="$e2e_root-2"
win_root="$e2e_root-windows-tests"
roots=("$e2e_root" "$e2e_root2" "$win_root")
display="${VORN_XVFB_DISPLAY:-77}"
displays=("$display" "$((display + 2))" "$((display + 1))")
logs="$repo/build/test-logs"
rm -rf "$logs"
mkdir -p "$logs"

finish() {
  for root in "${roots[@]}"; do
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

# One prepared prefix for each Wine suite (made once, reset between scenarios), made while
# the programs build.
preparing=()
for i in "${!roots[@]}"; do
  own_display "${displays[$i]}"
  DISPLAY=":${displays[$i]}" VORN_WINE_ROOT="${roots[$i]}" tools/wine/prepare.sh >"$logs/prepare-$i.log" 2>&1 &
  preparing+=($!)
done

echo "== building"
scripts/build.sh native
scripts/build.sh windows
echo "== built in $((SECONDS - started)) s"
source tools/wine/env.sh

for pid in "${preparing[@]}"; do
  wait "$pid" || { echo "a Wine prefix could not be prepared:" >&2; cat "$logs"/prepare-*.log >&2; exit 1; }
done

suite() {
  local name="$1"
  shift
  local start=$SECONDS rc=0
  "$@" >"$logs/$name.log" 2>&1 || rc=$?
  echo "$rc $((SECONDS - start))" >"$logs/$name.rc"
}

echo "== running the suites side by side (logs in build/test-logs)"
suite standin timeout 600 python3 -m unittest discover -s tools/standin -p 'test_*.py' &
suites=($!)
suite native timeout 900 ctest --test-dir "$VORN_BUILD_NATIVE" --output-on-failure &
suites+=($!)
(
  export VORN_WINE_ROOT="$win_root" DISPLAY=":${displays[2]}"
  # From the prepared state, as on a fresh machine: an earlier run's cache clearing leaves
  # the browser cache's index without its folders, which the cache test then cannot use.
  tools/wine/reset.sh
  suite windows timeout --kill-after=30 1800 ctest --test-dir "$VORN_BUILD_WINDOWS" --output-on-failure
) &
suites+=($!)
suite e2e timeout --kill-after=30 1800 python3 -m tests.e2e.side_by_side \
  "$e2e_root:${displays[0]}:" "$e2e_root2:${displays[1]}:$((VORN_DEV_PORT + 1))" &
suites+=($!)
names=(standin native windows e2e)
# Only the suites: the displays started above are background jobs too.
wait "${suites[@]}"

failed=0
for name in "${names[@]}"; do
  read -r rc seconds <"$logs/$name.rc"
  if [ "$rc" -eq 0 ]; then
    counts="$(grep -E 'tests passed|^Ran [0-9]+ tests' "$logs/$name.log" | awk '/^Ran/ {n += $2} /tests passed/ {t = $0} END {print (t != "" ? t : n " tests")}')"
    echo "== $name: passed in $seconds s ($counts)"
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
