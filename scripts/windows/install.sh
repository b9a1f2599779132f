#!/usr/bin/env bash
# Installs what the 32-bit Windows build and its tests under Wine need, where
# missing: the MinGW-w64 cross compilers (32-bit, and 64-bit for machines
# whose kernel runs no 32-bit code), Wine with both halves, Xvfb and
# the picture tools for the dialog test, and a Chinese font so that the dialog
# texts can be drawn. As root it runs apt-get; otherwise it prints the command.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64 xvfb xauth x11-apps imagemagick fonts-wqy-zenhei
  googletest cmake ninja-build g++ python3
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]}" >&2
  echo "run as root: dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
