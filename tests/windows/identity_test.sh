#!/usr/bin/env bash
# The same projects, made by the Linux quarvelin-prepare, built by the Linux
# quarvelin-cli and by quarvelin-cli.exe under Wine: the network files must be
# the same byte for byte, TIN.inf the same but for its time and speed lines.
# The Windows runs go through a workdir naming a folder with a space and
# Chinese characters, as hosts write them ('$' for the space).
# Usage: identity_test.sh LINUX_BUILD WIN_BUILD [SURVEY_POINTS]
set -uo pipefail
LINUX_BUILD=$1 WIN_BUILD=$2 SURVEY_POINTS=${3:-100000}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/windows/wine-env.sh"
wine_prefix_ready
work=$(mktemp -d "$PWD/$WIN_BUILD/identity.XXXXXX")
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
passed=0 failed=0

check() {  # what, then the command that must succeed
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}

same_info() {  # TIN.inf: figures and option line equal, four CR LF lines each
  [ "$(head -n 2 "$1")" = "$(head -n 2 "$2")" ] && [ "$(grep -c $'\r$' "$2")" = 4 ] && [ "$(wc -l <"$2")" = 4 ]
}

# One case: a name, the options of quarvelin-cli, then those of quarvelin-prepare.
run_case() {
  local name=$1 options=$2; shift 2
  local linux="$work/$name-linux" win="$work/$name 测区"
  "$LINUX_BUILD/quarvelin-prepare" --quiet --project "$linux" "$@" || { check "$name: prepare" false; return; }
  cp -a "$linux" "$win"
  local install="$work/$name-install"
  mkdir -p "$install"
  printf '%s\r\n' "$(windows_path "$win" | tr ' ' '$')" >"$install/workdir"
  local t0=$(date +%s.%N)
  "$LINUX_BUILD/quarvelin-cli" --quiet --project "$linux" $options >/dev/null
  local t1=$(date +%s.%N)
  "$WINE" "$WIN_BUILD/quarvelin-cli.exe" --quiet --install-dir "$(windows_path "$install")" $options >"$work/$name.out" 2>&1
  local status=$? t2=$(date +%s.%N)
  awk -v n="$name" -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN { printf "%s: Linux %.1f s, Wine %.1f s\n", n, b - a, c - b }'
  check "$name: quarvelin-cli.exe exit status $status" [ $status -eq 0 ]
  for file in TIN.tri Point.xyz Edge.inf Grid.idx TIN.sjw; do
    check "$name: $file identical" cmp -s "$linux/PMAP/$file" "$win/PMAP/$file"
  done
  check "$name: TIN.inf identical but for time and speed" same_info "$linux/PMAP/TIN.inf" "$win/PMAP/TIN.inf"
}

run_case road "--sjw --max-edge 150" \
  --points data/m3_terrain/points.xyz --breaklines data/m3_terrain/breaklines.pl
survey="$work/survey"
mkdir -p "$survey"
python3 "$here/make_survey.py" "$SURVEY_POINTS" 3000 "$survey"
run_case survey "--sjw --contours" \
  --points "$survey/points.xyz" --breaklines "$survey/breaklines.pl" --contours "$survey/contours.pl"
echo "byte identity: $passed passed, $failed failed"
[ $failed -eq 0 ]
