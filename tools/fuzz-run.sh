#!/usr/bin/env bash
# Fuzz run: builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehavior-
# Sanitizer and leak detection included), gathers their seed corpora and runs each target
# for a bounded time, one after the other:
#   tools/fuzz-run.sh          each target for QUOVENT_FUZZ_SECONDS (default 60) seconds
#   tools/fuzz-run.sh SECONDS  each target for SECONDS seconds
#   tools/fuzz-run.sh LONG     QUOVENT_FUZZ_HOURS (default 2) hours split over the targets
# Each target's throughput is printed as "fuzz TARGET: N executions in S s (R/s)".
# An input that runs longer than a second (and again when run alone: a busy machine can slow
# one input down once) is a failure, as is any crash, leak, memory blow-up or failed check
# (an output out of range, sound after a reset, a script that sounds different played again,
# a refused restore that changed the state, a saved state that restores to another groove).
# The corpus found so far stays in build-fuzz/fuzz/corpus/ and is reused by the next run;
# artifacts (crash-*, leak-*, timeout-*, oom-*) land in build-fuzz/fuzz/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz
mode=${1:-}
targets=(samples_fuzz state_fuzz bank_fuzz midi_fuzz)
if [ "$mode" = LONG ]; then
  hours=${QUOVENT_FUZZ_HOURS:-2}
  per_target=$(awk -v h="$hours" -v n="${#targets[@]}" 'BEGIN { printf "%d", h * 3600 / n }')
elif [[ "$mode" =~ ^[1-9][0-9]*$ ]]; then
  per_target=$mode
elif [ -z "$mode" ]; then
  per_target=${QUOVENT_FUZZ_SECONDS:-60}
else
  echo "usage: $0 [SECONDS | LONG]" >&2
  exit 2
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUOVENT_BUILD_FUZZ=ON -DQUOVENT_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target samples_fuzz_seeds "${targets[@]}"

work=$build/fuzz
rm -rf "$work/seeds"
mkdir -p "$work/seeds"
"$build/tests/fuzz/samples_fuzz_seeds" "$work/seeds/samples_fuzz"
cp -r tests/fuzz/corpus/state "$work/seeds/state_fuzz"
cp -r tests/fuzz/corpus/bank "$work/seeds/bank_fuzz"
cp -r tests/fuzz/corpus/midi "$work/seeds/midi_fuzz"
# The demo bank as a saved state has it: its own samples by absolute path.
demo=$(pwd)/resources/demo
sed -E "s#\"samplePath\": \"([^\"]+)\"#\"samplePath\": \"$demo/\\1\"#" resources/demo/demo.json \
  >"$work/seeds/state_fuzz/demo-bank.json"

options() {
  case $1 in
    samples_fuzz) echo "-max_len=8192 -dict=tests/fuzz/wav.dict" ;;
    state_fuzz | bank_fuzz) echo "-max_len=16384 -dict=tests/fuzz/state.dict" ;;
    midi_fuzz) echo "-max_len=4096" ;;
  esac
}

failed=0
table=()
for t in "${targets[@]}"; do
  mkdir -p "$work/corpus/$t" "$work/$t"
  echo "fuzzing $t for ${per_target}s"
  result=passed
  start=$(date +%s.%N)
  # shellcheck disable=SC2046 # the options are words
  ASAN_OPTIONS=detect_leaks=1 "$build/tests/fuzz/$t" -max_total_time="$per_target" \
    -timeout=1 -rss_limit_mb=2048 -detect_leaks=1 $(options "$t") \
    -artifact_prefix="$work/$t/" -print_final_stats=1 \
    "$work/corpus/$t" "$work/seeds/$t" >"$work/$t.log" 2>&1 || result=FAILED
  seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -n 1)
  rate=$(awk -v n="${executions:-0}" -v s="$seconds" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }')
  echo "fuzz $t: ${executions:-?} executions in $seconds s ($rate/s)"
  artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$work/$t.log" | tail -n 1)
  # A timeout is judged again on the input alone: on a machine busy with other work an input
  # of a few hundred milliseconds can pass the second once. A real hang hangs every time.
  if [ "$result" = FAILED ] && [ -n "$artifact" ] && [ "${artifact##*/timeout-}" != "$artifact" ]; then
    # shellcheck disable=SC2046
    if ASAN_OPTIONS=detect_leaks=1 "$build/tests/fuzz/$t" -timeout=1 $(options "$t") \
      "$artifact" >"$work/$t.rerun.log" 2>&1; then
      result="passed (a timeout did not recur alone: $artifact)"
      echo "*** $t: the input that timed out under load runs within a second alone: $artifact"
    fi
  fi
  if [ "${result%% *}" = FAILED ]; then
    failed=1
    tail -n 40 "$work/$t.log"
    echo "fuzz target $t failed; artifact: ${artifact:-none}; log: $work/$t.log"
  fi
  table+=("$(printf '%-14s %14s %9s  %s' "$t" "${executions:-?}" "$seconds" "$result")")
done

printf '%-14s %14s %9s  %s\n' target executions seconds result
printf '%s\n' "${table[@]}"
if [ "$failed" -ne 0 ]; then
  echo "fuzzing failed"
  exit 1
fi
echo "fuzzing passed"
