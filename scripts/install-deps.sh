#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, where missing.
# As root it runs apt-get; otherwise it prints the command to run.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev
  libcgal-dev libgmp-dev libmpfr-dev
  qt6-base-dev fonts-arphic-uming xvfb xauth
  python3
)
# Further packages named by the groups of packages/ beside this script.
here=$(cd "$(dirname "$0")" && pwd)
if [ -d "$here/packages" ]; then
  for list in "$here"/packages/*.txt; do
    [ -e "$list" ] || continue
    while read -r name _; do
      case "$name" in ''|'#'*) ;; *) packages+=("$name") ;; esac
    done < "$list"
  done
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # With their recommended packages, as on the machines the suite is run on.
  apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "missing packages: ${missing[*]}" >&2
  echo "run: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
