#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang and runs each one, one after the
# other, for SECONDS seconds on its seed corpus.  Fails when a target
# reports a crash, a sanitizer finding, a leak, a timeout (an input that
# runs longer than 10 s) or memory above 2048 MB, or leaves an artifact.
# Every saved regression input (tests/fixtures/fuzz/TARGET/*) is run first.
# Usage: tools/fuzz.sh [SECONDS] [TARGET...]
#   SECONDS defaults to 60; TARGET is parameter_file, lldrv_str,
#   nadcon_grids or calls (default: all four).
#   ZONVERT_NADCON_GRIDS: the NADCON grid folder (default ../shared/nadcon).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(parameter_file lldrv_str nadcon_grids calls)
grids=${ZONVERT_NADCON_GRIDS:-$PWD/../shared/nadcon}
export ZONVERT_NADCON_GRIDS=$grids
build=build-fuzz

cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZONVERT_WERROR=ON -DZONVERT_BUILD_FUZZERS=ON >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"

rm -rf "$build/seeds" "$build/findings"
mkdir -p "$build/findings"
python3 tests/fuzz/make_seeds.py . "$grids" "$build/seeds"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
common=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1)
failed=0
summary=()
for t in "${targets[@]}"; do
  binary=$build/bin/fuzz_$t
  # Saved inputs of earlier findings must pass.
  if [ -d "tests/fixtures/fuzz/$t" ]; then
    if ! "$binary" "${common[@]}" "tests/fixtures/fuzz/$t"/* >"$build/findings/$t-regressions.log" 2>&1; then
      echo "fuzz_$t: a saved regression input fails; see $build/findings/$t-regressions.log"
      failed=1
    fi
  fi
  mkdir -p "$build/corpus/$t"
  log=$build/findings/$t.log
  rc=0
  "$binary" "${common[@]}" -max_total_time="$seconds" -artifact_prefix="$build/findings/$t-" \
    "$build/corpus/$t" "$build/seeds/$t" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  time=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1 || true)
  artifacts=$(find "$build/findings" -name "$t-*" ! -name '*.log' | wc -l)
  if [ "$rc" -ne 0 ] || [ "$artifacts" -ne 0 ]; then
    echo "fuzz_$t: FAILED (exit $rc, $artifacts artifact(s)); log: $log"
    grep -E 'ERROR|SUMMARY|==[0-9]+==|runtime error|deadly signal|Test unit written' "$log" | head -20 || true
    failed=1
  fi
  summary+=("fuzz_$t: ${seconds} s, ${runs:-?} executions${time:+ ($time)}, exit $rc")
done
printf '%s\n' "${summary[@]}"
exit $failed
