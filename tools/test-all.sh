#!/usr/bin/env bash
# Builds everything and passes every test: a normal build, the same tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer,
# a Release build (every target compiles at -O3 too), and a short bounded fuzz run. Warnings
# are errors in every build here. GUI tests run against a virtual X server. Then the Windows
# DLLs (32- and 64-bit, cross-compiled) and their tests under Wine, and LMMS playing the
# 32-bit DLL as a real Windows host. Where the kernel cannot execute i386 programs, the 32-bit
# DLL is still built but its Wine tests and LMMS cannot run: that is said loudly, not hidden.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

bash tools/install-deps.sh all

step() { printf '\n=== %s (%ss)\n' "$*" "$SECONDS"; }

run_ctest() { # build-dir [ctest args...]
  local dir=$1
  shift
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"$jobs" "$@")
}

step "build"
# The main job may have configured build/ without tests and benchmarks: ask for them.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOVENT_WERROR=ON \
  -DQUOVENT_BUILD_TESTS=ON -DQUOVENT_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$jobs"

step "tests"
run_ctest build -LE lmms # LMMS plays the Windows DLL, built further down

step "build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUOVENT_WERROR=ON \
  -DQUOVENT_SANITIZE=address,undefined -DQUOVENT_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"

step "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# LeakSanitizer's tracer itself dies now and then (signal 11) on a program whose threads are
# ending: such a test gets one more run. A failed check fails both times.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$root/tools/lsan.supp" run_ctest build-asan --repeat until-pass:2

step "build with ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUOVENT_WERROR=ON \
  -DQUOVENT_SANITIZE=thread -DQUOVENT_BUILD_BENCH=OFF -DQUOVENT_BUILD_TOOLS=OFF >/dev/null
cmake --build build-tsan -j"$jobs"

step "threaded tests under ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1 run_ctest build-tsan -L threaded --no-tests=ignore

# The optimiser's own warnings (GCC at -O3) only show in this configuration: the plug-in,
# the tools and the test programs must build here as well. Its tests are not run again.
step "Release build"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOVENT_WERROR=ON \
  -DQUOVENT_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j"$jobs"

if [ -f tools/fuzz-run.sh ]; then
  step "bounded fuzz run"
  bash tools/fuzz-run.sh
fi

step "Windows builds: build-win32/quovent.dll, build-win64/quovent.dll"
for target in win32:i686 win64:x86_64; do
  dir=build-${target%%:*}
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-${target##*:}.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOVENT_WERROR=ON >/dev/null
  cmake --build "$dir" -j"$jobs"
done

step "Windows tests under Wine"
windows_dirs=(build-win64)
skipped=()
if bash tools/wine-run.sh --can-run-32; then
  windows_dirs=(build-win32 build-win64)
else
  skipped+=("the 32-bit DLL's tests under Wine" "LMMS playing the 32-bit DLL")
  printf '\n*** SKIPPED: this kernel cannot execute i386 programs (Wine'"'"'s 32-bit loader,\n'
  printf '*** LMMS): build-win32 is built but its tests and LMMS do not run here.\n\n'
fi
# One scratch prefix for both builds; its wineserver stays up between the test programs
# and is ended, for this prefix only, when they are done. All of it runs on one virtual X
# display: Wine's desktop process binds to the display of the program that starts the
# server, and the editor window's tests draw there (at 200 % too) and move its pointer.
export QUOVENT_WINEPREFIX="$root/build-wine"
trap 'bash tools/wine-run.sh --stop-server' EXIT
xvfb-run -a -s "-screen 0 1600x1300x24" bash -c '
  set -euo pipefail
  bash tools/wine-run.sh --start-server
  trap "bash tools/wine-run.sh --stop-server" EXIT
  jobs=$1
  shift
  for dir in "$@"; do
    (cd "$dir" && ctest --output-on-failure --timeout 600 -j"$jobs")
  done' windows-tests "$jobs" "${windows_dirs[@]}"

if [ ${#skipped[@]} -eq 0 ]; then
  step "LMMS plays the 32-bit DLL"
  QUOVENT_WIN32_DLL="$root/build-win32/quovent.dll" run_ctest build -L lmms --no-tests=error
fi

step "all passed"
(cd "$root/build" && ctest -N | tail -1)
for what in "${skipped[@]}"; do
  echo "*** not run on this machine: $what (no i386 execution)"
done
