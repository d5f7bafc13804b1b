#!/bin/bash
# Brings the prefix back to its prepared state: registry, all-users and user folders.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
"$(dirname "${BASH_SOURCE[0]}")/prepare.sh"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
snap="$VORN_WINE_ROOT/snapshot"
cp -a "$snap"/*.reg "$WINEPREFIX/"
for d in ProgramData users; do
  rm -rf "${WINEPREFIX:?}/drive_c/$d"
  cp -a "$snap/$d" "$WINEPREFIX/drive_c/$d"
done
# What an uninstall leaves in the system's temporary folder when its batch could not end.
rm -f "${WINEPREFIX:?}/drive_c/windows/temp/"VornDel*
