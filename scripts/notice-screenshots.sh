#!/bin/bash
# Screenshots of the notice pop-up (picture and text, picture only, text only) and of the
# game download dialog at about half way, under Xvfb against the stand-in service.
# Pictures go to build/notice-screenshots/ (or the first argument).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/build.sh" windows >/dev/null
source "$repo/tools/wine/display.sh"
vorn_ensure_display
python3 "$repo/scripts/notice-screenshots.py" "$@"
