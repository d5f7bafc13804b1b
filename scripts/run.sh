#!/bin/bash
# Builds the launcher, starts the stand-in platform service and runs Zelqa7.exe under
# Wine inside a virtual desktop (with a taskbar and tray). Arguments go to the program,
# for example: scripts/run.sh /Zelqa7D
# scripts/run.sh --demo shows the launcher with three stand-in game tabs instead (scripts/demo.sh).
# With no display, Xvfb is started; take a screenshot with:
#   import -display "$DISPLAY" -window root shot.png
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${1:-}" = "--demo" ]; then exec "$repo/scripts/demo.sh"; fi
"$repo/scripts/setup-debian.sh"
"$repo/scripts/build.sh" windows
source "$repo/scripts/dev-settings.sh"
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
"$repo/tools/wine/prepare.sh"
vorn_ensure_display
echo "Display: $DISPLAY (screenshot: import -display $DISPLAY -window root shot.png)"

# The service ends with this script, however it ends.
python3 -m tools.standin --port "$VORN_DEV_PORT" --parent-pid $$ --record "$repo/build/run-requests.jsonl" \
  < /dev/null > "$repo/build/standin.port" &
service=$!
cleanup() {
  kill "$service" 2>/dev/null && wait "$service" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "${VORN_STARTED_XVFB:-}" ] && kill "$VORN_STARTED_XVFB" 2>/dev/null || true
}
trap cleanup EXIT
cd "$repo"
for _ in $(seq 1 50); do grep -q PORT "$repo/build/standin.port" 2>/dev/null && break; sleep 0.1; done
echo "Stand-in service: http://$VORN_DEV_HOST/ (requests logged to build/run-requests.jsonl)"

exe="$repo/build/windows/res/Zelqa7.exe"
set +e
wine explorer "/desktop=Vorn,1280x800" "$(winepath -w "$exe")" "$@"
rc=$?
set -e
# Programs it started (the installed copy, the new executable) may still run; give them time.
timeout 60 wineserver -w || true
echo "Zelqa7.exe ended with exit code $rc"
exit $rc
