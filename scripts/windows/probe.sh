#!/usr/bin/env bash
# Succeeds when Wine can run the programs of the cross build WIN_BUILD here.
# A kernel without 32-bit support refuses Wine's own 32-bit loader, so no
# 32-bit Windows program can start; the reason is printed.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
wine_prefix_ready
if output=$("$WINE" "$WIN_BUILD/quarvelin-cli.exe" --help 2>&1) && grep -q 'Usage: quarvelin-cli' <<<"$output"; then
  exit 0
fi
echo "$WIN_BUILD/quarvelin-cli.exe does not start under $WINE:"
head -n 3 <<<"$output"
if [ -e /usr/lib/wine/wine ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "(this kernel does not execute 32-bit x86 code, which 32-bit Wine needs)"
fi
exit 1
