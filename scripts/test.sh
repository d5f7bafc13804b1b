#!/bin/bash
# Runs every test: the stand-in service's own tests, the native unit tests (under
# AddressSanitizer and UBSan), the Windows tests under Wine, and the end-to-end tests.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup-debian.sh"
cd "$repo"

echo "== stand-in service"
python3 -m unittest discover -s tools/standin -p 'test_*.py' 2>&1 | tail -3

echo "== native unit tests"
scripts/build.sh native
ctest --test-dir build/native --output-on-failure -j2 | tail -3

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
ctest --test-dir build/windows --output-on-failure

echo "== end-to-end tests"
python3 -m unittest discover -s tests/e2e -p 'test_*.py' -t . 2>&1 | tail -5
