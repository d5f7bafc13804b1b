#!/bin/bash
# Runs a Windows test program with a sound device that has no hardware: a throw-away HOME
# whose ALSA default device writes everything played into a file, named to the program in
# VORN_AUDIO_FILE (a Windows path).
set -eo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
source "$repo/tools/wine/env.sh"
source "$repo/tools/wine/display.sh"
"$repo/tools/wine/prepare.sh"
vorn_ensure_display
wineserver -p >/dev/null 2>&1 </dev/null || true
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cat > "$dir/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$dir/audio.raw"; format "raw" }
ctl.!default { type hw; card 0 }
ASOUND
export HOME="$dir"
export VORN_AUDIO_FILE="Z:${dir//\//\\}\\audio.raw"
# Through a file, as wine-exec.sh does: Wine's background processes keep a pipe open.
out="$dir/output.txt"
set +e
wine "$@" </dev/null >"$out" 2>&1
rc=$?
set -e
grep -v '^ALSA lib' "$out" || true
exit $rc
