#!/bin/bash
# Screenshots of the launcher main window under Xvfb, with the test build's stand-in game
# processes: one tab, three tabs, the hovered close box, the add-account question and the
# exit question. Pictures go to build/launcher-screenshots/ (or the first argument).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$repo/build/launcher-screenshots}"
"$repo/scripts/build.sh" windows >/dev/null
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
"$repo/tools/wine/prepare.sh"
vorn_ensure_display
python3 "$repo/scripts/launcher_screenshots.py" "$out"
