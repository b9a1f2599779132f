#!/usr/bin/env bash
# Runs every fuzz target of a libFuzzer build for a bounded time, from the
# corpus under tests/fuzz/corpus/<target>/ (left unchanged: new inputs go to
# <build>/fuzz-corpus/<target>/). A crash or hang is kept under
# <build>/fuzz-crashes/ and fails the run; once its fault is mended, copy it
# into tests/fuzz/corpus/<target>/, where the normal test build replays it.
#   scripts/fuzz.sh BUILD SECONDS TARGET...
# FUZZ_SEED (default 1) fixes the runs of `make test`; 0 picks a new seed.
set -uo pipefail
build=$1 seconds=$2
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/fuzz-crashes"
failed=()
for target in "$@"; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  echo "fuzzing $target for ${seconds}s" >&2
  # A memory limit well under the machine's: a reader that allocates from a
  # header's word instead of the file's size shows as a crash.
  if ! "$build/$target" -max_total_time="$seconds" -seed="${FUZZ_SEED:-1}" -timeout=10 -rss_limit_mb=1024 \
      -malloc_limit_mb=512 -print_final_stats=0 -artifact_prefix="$build/fuzz-crashes/$target-" \
      "$corpus" "$here/tests/fuzz/corpus/$target" 2> "$build/fuzz-crashes/$target.log"; then
    tail -n 40 "$build/fuzz-crashes/$target.log" >&2
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs under $build/fuzz-crashes/)" >&2
  exit 1
fi
echo "fuzzing: no faults in ${seconds}s of each of $*" >&2
