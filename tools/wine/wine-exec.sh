#!/bin/bash
# Runs a Windows program under the private prefix, with a display and a warm wineserver;
# used by ctest as the emulator for every Windows test program.
set -eo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/env.sh"
source "$here/display.sh"
"$here/prepare.sh"
vorn_ensure_display
wineserver -p >/dev/null 2>&1 </dev/null || true
if [ -n "${VORN_WINE_STREAM:-}" ]; then
  exec wine "$@"
fi
# Wine's background processes (services, devices, the desktop) start with the first program
# and inherit its output. Going through a file keeps them off the caller's pipe, which
# would otherwise stay open, and the caller waiting, until the wineserver ends.
# The file is kept per program (and removed after a normal end), so a run that had to be
# killed for hanging leaves what it printed for a look.
mkdir -p "$VORN_WINE_ROOT/logs"
out="$VORN_WINE_ROOT/logs/$(basename "$1").$$.log"
set +e
wine "$@" </dev/null >"$out" 2>&1
rc=$?
set -e
cat "$out"
rm -f "$out"
# Signal 11 of Wine's own loader (not an exception of the program, which ends with the
# exception's code): say so, since Wine printed nothing.
[ "$rc" -eq 139 ] && echo "wine-exec: wine itself ended by a segmentation fault running $1" >&2
exit $rc
