#!/bin/bash
# Installs what building, running and testing need on a Debian 12 machine, only what is
# missing; safe to run again. Needs root (or sudo).
set -euo pipefail
packages=(
  cmake ninja-build g++ libgtest-dev googletest python3
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 wine64-tools
  xvfb x11-utils xdotool imagemagick
  fonts-wqy-microhei locales liblnk-utils curl
  libcapstone-dev libssl-dev osslsigncode openssl
  python3-pefile
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The players' locale: gives Wine the ANSI code page 936 for the Chinese texts.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
