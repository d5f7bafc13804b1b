#!/bin/bash
# Configures and builds one tree: "native" (portable logic and its unit tests) or
# "windows" (the executable, the Windows tests and tools), with the development settings
# that point the program at the local stand-in service. VORN_BUILD_TARGETS (names separated by
# spaces) builds only those targets of the tree instead of all of it.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$repo/scripts/dev-settings.sh"
kind="${1:?native or windows}"
native_dir="${VORN_BUILD_NATIVE:-$repo/build/native}"
windows_dir="${VORN_BUILD_WINDOWS:-$repo/build/windows}"
shift
case "$kind" in
  native)
    cmake -S "$repo" -B "$native_dir" -G Ninja -DVORN_SANITIZE=ON "$@" >/dev/null
    cmake --build "$native_dir" ${VORN_BUILD_TARGETS:+--target $VORN_BUILD_TARGETS}
    ;;
  windows)
    cmake -S "$repo" -B "$windows_dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
      -DVORN_SERVICE_HOST="$VORN_DEV_HOST" -DVORN_LOGIN_HOST="$VORN_DEV_HOST" \
      -DVORN_SERVICE_DOMAINS="$VORN_DEV_DOMAINS" -DVORN_PARTNER_HOME="$VORN_DEV_PARTNER" \
      -DVORN_TEST_HOOKS=ON "$@" >/dev/null
    cmake --build "$windows_dir" ${VORN_BUILD_TARGETS:+--target $VORN_BUILD_TARGETS}
    ;;
  *) echo "unknown build kind: $kind" >&2; exit 2 ;;
esac
