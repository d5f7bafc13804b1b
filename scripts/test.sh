#!/bin/bash
# Runs every test: the stand-in service's own tests, the native unit tests (under
# AddressSanitizer and UBSan), the Windows tests under Wine, and the end-to-end tests.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup-debian.sh"
cd "$repo"
export VORN_BUILD_NATIVE="${VORN_BUILD_NATIVE:-$repo/build/native}"
export VORN_BUILD_WINDOWS="${VORN_BUILD_WINDOWS:-$repo/build/windows}"

echo "== stand-in service"
python3 -m unittest discover -s tools/standin -p 'test_*.py'

echo "== native unit tests"
scripts/build.sh native
ctest --test-dir "$VORN_BUILD_NATIVE" --output-on-failure -j2

echo "== Windows tests under Wine"
scripts/build.sh windows
source tools/wine/env.sh
source tools/wine/display.sh
tools/wine/prepare.sh
vorn_ensure_display
finish() {
  wineserver -k 2>/dev/null || true
  [ -n "${VORN_STARTED_XVFB:-}" ] && kill "$VORN_STARTED_XVFB" 2>/dev/null || true
}
trap finish EXIT
# A Windows test program that hangs under Wine is run once more (a rare hang in the skinned
# message box tests has not been tracked down yet); what a killed run printed is shown.
if ! ctest --test-dir "$VORN_BUILD_WINDOWS" --output-on-failure --repeat after-timeout:2; then
  for log in "$VORN_WINE_ROOT"/logs/*.log; do
    [ -e "$log" ] && { echo "== output of a killed run: $log"; tail -n 40 "$log"; }
  done
  exit 1
fi

echo "== end-to-end tests"
python3 -m unittest discover -s tests/e2e -p 'test_*.py' -t .
