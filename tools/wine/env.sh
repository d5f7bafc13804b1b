# Sourced by the scripts that run Windows programs: a private Wine prefix, a throw-away
# HOME (no desktop files leak into the real one), quiet Wine, Chinese text.
_vorn_repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export VORN_REPO="${VORN_REPO:-$_vorn_repo}"
export VORN_WINE_ROOT="${VORN_WINE_ROOT:-$VORN_REPO/build/wine}"
# A relative root is taken from the repository, whatever folder a caller runs in.
case "$VORN_WINE_ROOT" in /*) ;; *) VORN_WINE_ROOT="$VORN_REPO/$VORN_WINE_ROOT" ;; esac
export WINEPREFIX="$VORN_WINE_ROOT/prefix"
export HOME="$VORN_WINE_ROOT/home"
export WINEDEBUG="${WINEDEBUG:--all}"
# VORN_WINE_DLL_OVERRIDES adds a test's own load orders (as "name=n,b;...").
export WINEDLLOVERRIDES="winemenubuilder.exe=d${VORN_WINE_DLL_OVERRIDES:+;$VORN_WINE_DLL_OVERRIDES}"
export WINEARCH=win64
# The players' ANSI code page is 936; this locale gives it to Wine when it exists.
# A shell that started before the set-up made the locale cannot load it itself and would
# warn; the programs it starts can.
if locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  export LC_ALL=zh_CN.UTF-8 2>/dev/null
fi
mkdir -p "$HOME"
