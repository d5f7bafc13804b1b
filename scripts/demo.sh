#!/bin/bash
# A first look: the launcher with three stand-in game tabs, its tray, menus and notice, on
# the current display (Xvfb when there is none). Builds only what it runs.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup-debian.sh"
VORN_BUILD_TARGETS="Zelqa7 vorn_tab_child wprobe" "$repo/scripts/build.sh" windows
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
"$repo/tools/wine/prepare.sh"
vorn_ensure_display
echo "Display: $DISPLAY (screenshot: import -display $DISPLAY -window root shot.png)"
wineserver -p >/dev/null 2>&1 </dev/null || true
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "${VORN_STARTED_XVFB:-}" ] && kill "$VORN_STARTED_XVFB" 2>/dev/null || true
}
trap cleanup EXIT
cd "$repo"
python3 "$repo/scripts/demo.py"
