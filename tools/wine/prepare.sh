#!/bin/bash
# Prepares the private Wine prefix once (about 8 s) and keeps a snapshot of the state that
# tests change, so that reset.sh can bring a prefix back to new in well under a second.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
stamp="$VORN_WINE_ROOT/prepared"
want="$(sha1sum "$here/prefix.reg.txt" "$here/prepare.sh" | sha1sum | cut -c1-16)"
mkdir -p "$VORN_WINE_ROOT"
exec 9>"$VORN_WINE_ROOT/.lock"
flock 9
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && [ -d "$WINEPREFIX/drive_c" ]; then
  exit 0
fi
rm -rf "$WINEPREFIX" "$VORN_WINE_ROOT/snapshot"
# No browser engine is installed; keep the first boot from asking for one.
WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=" wineboot -i </dev/null >/dev/null 2>&1
iconv -f UTF-8 -t UTF-16LE "$here/prefix.reg.txt" | { printf '\xff\xfe'; cat; } > "$VORN_WINE_ROOT/prefix.reg"
wine regedit /S "$(winepath -w "$VORN_WINE_ROOT/prefix.reg" 2>/dev/null)" >/dev/null 2>&1
wineserver -w
mkdir -p "$VORN_WINE_ROOT/snapshot"
cp -a "$WINEPREFIX"/*.reg "$VORN_WINE_ROOT/snapshot/"
cp -a "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" "$VORN_WINE_ROOT/snapshot/"
echo "$want" > "$stamp"
