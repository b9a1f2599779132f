#!/usr/bin/env bash
# Runs the core test programs of a cross build under Wine, leaving out the
# tests that tests/windows/wine-skips.txt names, and prints one summary line.
# Usage: run-tests.sh WIN_BUILD
set -uo pipefail
WIN_BUILD=$1
source "$(dirname "$0")/wine-env.sh"
wine_prefix_ready
start_display  # the progress bar's test paints a real window
trap stop_display EXIT
skips=$(dirname "$0")/../../tests/windows/wine-skips.txt

passed=0 failed=0
for exe in "$WIN_BUILD"/*_test.exe; do
  name=$(basename "$exe" .exe)
  case "$name" in cli_test|console_test|export_test|laz_test|prepare_test|render_test|volume_test) continue ;; esac  # Linux host tools
  filter=$(awk -v n="$name" '$1 == n { printf "%s%s", sep, $2; sep = ":" }' "$skips")
  log="$WIN_BUILD/$name.wine.log"
  QUARVELIN_BUILD_DIR=$(windows_path "$WIN_BUILD") timeout 900 "$WINE" "$exe" --gtest_brief=1 \
    ${filter:+--gtest_filter=-$filter} >"$log" 2>&1
  status=$?
  count=$(sed -n 's/.*\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log")
  if [ $status -eq 0 ]; then
    echo "ok   $name (${count:-0} tests)"
    passed=$((passed + 1))
  else
    echo "FAIL $name (exit $status):"
    grep -E 'Failure|FAILED|Which is' "$log" | head -20
    failed=$((failed + 1))
  fi
done
echo "wine test programs: $passed passed, $failed failed"
[ $failed -eq 0 ]
