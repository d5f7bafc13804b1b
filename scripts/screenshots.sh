#!/bin/bash
# Takes the screenshots of every window under Xvfb (the existing launcher, skin and notice
# screenshot scripts, plus the login background and the update dialog), crops each to its
# window and writes the small copies shown in the README to docs/screenshots/. The full
# screenshots stay in build/screenshots/.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
full="$repo/build/screenshots"
docs="$repo/docs/screenshots"
"$repo/scripts/setup-debian.sh"
export VORN_BUILD_TARGETS="Zelqa7 vorn_tab_child wprobe vorn_skin_gallery vorn_online_dialogs vorn_marker_child"
"$repo/scripts/build.sh" windows
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
"$repo/tools/wine/prepare.sh"
vorn_ensure_display
trap '[ -n "${VORN_STARTED_XVFB:-}" ] && kill "$VORN_STARTED_XVFB" 2>/dev/null || true' EXIT
rm -rf "$full"
mkdir -p "$full" "$docs"
"$repo/scripts/launcher-screenshots.sh" "$full/launcher"
"$repo/scripts/skin-screenshots.sh" "$full/skin"
"$repo/scripts/notice-screenshots.sh" "$full/notice"
(cd "$repo" && python3 "$repo/scripts/window_screenshots.py" "$full/windows")
wineserver -k 2>/dev/null || true
# The demo: three tabs and, a few seconds after the first, the notice.
cd "$repo"
python3 "$repo/scripts/demo.py" > "$full/demo.txt" 2>&1 &
demo=$!
for _ in $(seq 1 120); do grep -q "Close the launcher" "$full/demo.txt" && break; sleep 1; done
sleep 4
import -display "$DISPLAY" -window root "$full/demo.png"
kill -TERM "$demo" 2>/dev/null || true
wait "$demo" || true
wineserver -k 2>/dev/null || true

# Small copies: 256 colours are plenty for these flat skins.
small() { convert "$1" "${@:3}" +repage -strip -colors 256 "PNG8:$docs/$2.png"; }
# What changed between two screenshots, looked for right of and below a corner (the tray
# window of Wine sits at the top left), with a margin: a menu or a question over the launcher.
changed() {
  local box margin="${3:-12}" x0="${4:-0}" y0="${5:-0}"
  box=$(convert "$1" "$2" -crop "+$x0+$y0" +repage -compose difference -composite -fuzz 2% -trim \
        -format '%w %h %X %Y' info:)
  set -- $box
  local x=$(($3 + x0 - margin)) y=$(($4 + y0 - margin))
  echo "$(($1 + 2 * margin))x$(($2 + 2 * margin))+$((x > 0 ? x : 0))+$((y > 0 ? y : 0))"
}
l="$full/launcher"
small "$full/demo.png" launcher-demo -resize 50%
small "$l/system-menu.png" system-menu -crop "$(changed "$l/three-tabs.png" "$l/system-menu.png" 32)"
small "$l/tray-menu.png" tray-menu -crop "$(changed "$l/three-tabs.png" "$l/tray-menu.png")"
small "$l/add-account-question.png" add-account-question \
  -crop "$(changed "$l/restored.png" "$l/add-account-question.png" 32 200 0)"
small "$l/exit-question.png" exit-question -crop "$(changed "$l/restored.png" "$l/exit-question.png" 12 200 0)"
for name in settings msg0 msg1-3 msg4; do small "$full/skin/$name.png" "$name" -trim; done
for name in notice-picture-text notice-picture notice-text download-50; do small "$full/notice/$name.png" "$name" -trim; done
small "$full/windows/login-background.png" login-background
small "$full/windows/update-download.png" update-download
du -ch "$docs"/*.png | tail -1
ls "$docs"
