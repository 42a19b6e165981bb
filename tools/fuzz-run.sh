#!/usr/bin/env bash
# Bounded fuzz run: builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer included), writes their seed corpus and runs them for about a
# minute in all. Fails on any crash, leak, timeout or memory blow-up. Artifacts (crash-*,
# leak-*, ...) land in build-fuzz/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz
seconds=${QUOVENT_FUZZ_SECONDS:-60}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUOVENT_BUILD_FUZZ=ON -DQUOVENT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target samples_fuzz samples_fuzz_seeds

work=$build/fuzz
rm -rf "$work/seeds"
mkdir -p "$work/seeds" "$work/corpus"
"$build/tests/fuzz/samples_fuzz_seeds" "$work/seeds"

# One target today; the time is split evenly when more are added.
targets=(samples_fuzz)
per_target=$((seconds / ${#targets[@]}))
for t in "${targets[@]}"; do
  echo "fuzzing $t for ${per_target}s"
  "$build/tests/fuzz/$t" -max_total_time="$per_target" -rss_limit_mb=2048 -timeout=10 \
    -max_len=8192 -dict=tests/fuzz/wav.dict -artifact_prefix="$work/" -print_final_stats=1 \
    "$work/corpus" "$work/seeds" 2>"$work/$t.log" || {
    tail -n 60 "$work/$t.log"
    echo "fuzz target $t failed; see $work/$t.log"
    exit 1
  }
  grep -E '^stat::number_of_executed_units|^#[0-9]+ +DONE' "$work/$t.log" || true
done
echo "fuzzing passed"
