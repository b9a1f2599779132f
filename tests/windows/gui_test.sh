#!/usr/bin/env bash
# QUARVELIN.EXE under Wine on a virtual X screen, driven by dialog_driver.exe:
# a build from the dialog with the limit 250, contours and TIN.sjw on must
# write what the Linux quarvelin-cli writes with the same options; a workdir
# naming a missing project, or contours asked for in a project without them,
# must end in a message and Done. The program is
# copied under a lower-case name, which must not matter. Saves the pictures
# of the dialog and the summary as PNG into PICTURES.
# Usage: gui_test.sh LINUX_BUILD WIN_BUILD PICTURES
set -uo pipefail
LINUX_BUILD=$1 WIN_BUILD=$2 PICTURES=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/windows/wine-env.sh"
wine_prefix_ready
work=$(mktemp -d "$PWD/$WIN_BUILD/gui.XXXXXX")
mkdir -p "$PICTURES"
start_display
trap 'stop_display; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
passed=0 failed=0
check() {
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}

# One start of the program beside a workdir naming `project`.
drive() {  # name, project folder, success|failure
  local install="$work/$1-install"
  mkdir -p "$install"
  cp "$WIN_BUILD/QUARVELIN.EXE" "$install/quarvelin.exe"
  printf '%s\r\n' "$(windows_path "$2" | tr ' ' '$')" >"$install/workdir"
  "$WINE" explorer /desktop=quarvelin,900x560 "$WIN_BUILD/dialog_driver.exe" \
    "$(windows_path "$install/quarvelin.exe")" "$(windows_path "$work/$1")" "$3" >"$work/$1.log" 2>&1
  # The virtual desktop does not pass the driver's exit status on: its
  # verdict is in what it printed.
  tr -d '\r' <"$work/$1.log" | grep -E '^(ok|FAIL|summary|message)' | sed "s/^/  $1: /"
  check "$1: every check of the dialog driver" grep -q '^ok: Done closes the program' "$work/$1.log"
  check "$1: no failed check of the dialog driver" [ "$(grep -c '^FAIL' "$work/$1.log")" = 0 ]
}

survey="$work/survey"
mkdir -p "$survey"
python3 "$here/make_survey.py" 20000 1500 "$survey"
"$LINUX_BUILD/quarvelin-prepare" --quiet --project "$work/linux" --points "$survey/points.xyz" \
  --breaklines "$survey/breaklines.pl" --contours "$survey/contours.pl"
cp -a "$work/linux" "$work/dialog project"
"$LINUX_BUILD/quarvelin-cli" --quiet --project "$work/linux" --max-edge 250 --contours --sjw >/dev/null

drive build "$work/dialog project" success
for file in TIN.tri Point.xyz Edge.inf Grid.idx TIN.sjw; do
  check "dialog build: $file as from quarvelin-cli" cmp -s "$work/linux/PMAP/$file" "$work/dialog project/PMAP/$file"
done
check "dialog build: TIN.inf figures and contour option" \
  [ "$(head -n 2 "$work/linux/PMAP/TIN.inf")" = "$(head -n 2 "$work/dialog project/PMAP/TIN.inf")" ]
summary=$(tr -d '\r' <"$work/build.log" | sed -n 's/^summary: //p')
check "dialog build: the summary shows the figures of TIN.inf" \
  [ "$summary" = "$(head -n 1 "$work/dialog project/PMAP/TIN.inf" | tr -d '\r')" ]

drive missing "$work/no such project" failure

# Contours asked for in a project that has none: the message names fnum.
"$LINUX_BUILD/quarvelin-prepare" --quiet --project "$work/no contours" --points "$survey/points.xyz"
drive nofnum "$work/no contours" failure
check "no fnum: the message names the missing file" \
  grep -qE '^message: 未找到等高线文件：.*fnum$' <(tr -d '\r' <"$work/nofnum.log")

for picture in "$work"/*.bmp; do
  [ -e "$picture" ] && convert "$picture" "$PICTURES/windows-$(basename "$picture" .bmp).png"
done
echo "dialog under Wine: $passed passed, $failed failed"
[ $failed -eq 0 ]
