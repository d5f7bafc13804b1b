#!/bin/bash
# Screenshots of the skinned windows under Xvfb: the message box (types 0, 1 and 4, one
# and three lines), a resizable skinned dialog normal and maximised, and every button
# strip in its four states, and the hot-key settings dialog. Pictures go to
# build/skin-screenshots/ (or the first argument).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$repo/build/skin-screenshots}"
build="${VORN_BUILD_WINDOWS:-$repo/build/windows}"
"$repo/scripts/build.sh" windows >/dev/null
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
vorn_ensure_display
mkdir -p "$out"
gallery="$build/tests/win/skin/vorn_skin_gallery.exe"
wprobe="$build/tools/wprobe/wprobe.exe"
for scene in msg0 msg1 msg4 msg0-3 msg1-3 msg4-3 dialog dialog-max buttons settings; do
  "$repo/tools/wine/wine-exec.sh" "$gallery" "$scene" 6 >/dev/null 2>&1 &
  pid=$!
  title="Vorn - Mirelund"
  [ "$scene" = settings ] && title="设置"
  "$repo/tools/wine/wine-exec.sh" "$wprobe" wait --title "$title" --visible --timeout 30000 >/dev/null
  sleep 1.5  # let hover looks and the first paints settle
  import -display "$DISPLAY" -window root "$out/$scene.png"
  wait "$pid" || true
  echo "$out/$scene.png"
done
