#!/usr/bin/env bash
# Builds everything and passes every test: a Release build with the tests, the same tests once
# more under AddressSanitizer and UndefinedBehaviorSanitizer (a Debug build), the threaded
# tests under ThreadSanitizer, and a short bounded fuzz run.
# Warnings are errors in every build here. GUI tests run against a virtual X server. Then the
# Windows DLLs (32- and 64-bit, cross-compiled) and their tests under Wine, and LMMS playing
# the 32-bit DLL as a real Windows host. Where the kernel cannot execute i386 programs, the
# 32-bit DLL is still built but its Wine tests and LMMS cannot run: that is said loudly, not
# hidden. Each step's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

steps=()
step_name=""
step_start=$SECONDS
step() { # the next step's name
  finish_step
  step_name=$*
  step_start=$SECONDS
  printf '\n=== %s (%ss)\n' "$*" "$SECONDS"
}
finish_step() {
  if [ -n "$step_name" ]; then
    steps+=("$(printf '%5ds  %s' $((SECONDS - step_start)) "$step_name")")
  fi
}

step "install what the tests need"
bash tools/install-deps.sh all

# Every build compiles through ccache where it is installed (install-deps.sh installs it):
# a second run, and objects that two builds compile alike, come from its cache.
configure() { # build-dir [cmake args...]
  local dir=$1
  shift
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$dir" -G Ninja -DQUOVENT_WERROR=ON "${launcher[@]}" "$@" >/dev/null
}

run_ctest() { # build-dir [ctest args...]
  local dir=$1
  shift
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"$jobs" "$@")
}

step "build"
# Release, as what ships is built: the optimiser's own warnings (GCC at -O3) show only in this
# configuration, and the tests and benchmarks run on the code a musician gets. The main job may
# have configured build/ without tests and benchmarks: ask for them.
configure build -DCMAKE_BUILD_TYPE=Release -DQUOVENT_BUILD_TESTS=ON -DQUOVENT_BUILD_BENCH=ON
cmake --build build -j"$jobs"

step "tests"
run_ctest build -LE lmms # LMMS plays the Windows DLL, built further down

step "build with AddressSanitizer and UndefinedBehaviorSanitizer"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DQUOVENT_SANITIZE=address,undefined \
  -DQUOVENT_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"

step "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# The sanitizer runtime's record of dynamically allocated TLS blocks (a plug-in library's
# thread_local variables, once dlopen has run out of static TLS) guesses a block's extent from
# a glibc 2.19 header that newer glibc no longer writes: whenever such a block lands 16 bytes
# into a page, LeakSanitizer's tracer scans from a wild address and dies (signal 11) after the
# test passed. Not recording them loses nothing: glibc allocates those blocks from the loader,
# whose allocations the leak checker scans as reachable anyway. A test whose run still dies
# that way gets one more run; a failed check fails both times.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 \
  UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$root/tools/lsan.supp" run_ctest build-asan --repeat until-pass:2

# Only the threaded tests run under ThreadSanitizer, so only their programs are built.
step "build the threaded tests with ThreadSanitizer"
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUOVENT_SANITIZE=thread \
  -DQUOVENT_BUILD_BENCH=OFF -DQUOVENT_BUILD_TOOLS=OFF
cmake --build build-tsan -j"$jobs" --target quovent_threaded_tests

step "threaded tests under ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1 run_ctest build-tsan -L threaded --no-tests=error

if [ -f tools/fuzz-run.sh ]; then
  step "bounded fuzz run"
  QUOVENT_FUZZ_SECONDS=${QUOVENT_FUZZ_SECONDS:-30} bash tools/fuzz-run.sh "${QUOVENT_FUZZ_SECONDS:-30}"
fi

can_run_32=false
if bash tools/wine-run.sh --can-run-32; then
  can_run_32=true
fi
step "Windows builds: build-win32/quovent.dll, build-win64/quovent.dll"
for target in win32:i686 win64:x86_64; do
  dir=build-${target%%:*}
  configure "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-${target##*:}.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
  if [ "$dir" = build-win32 ] && ! $can_run_32; then
    # Its tests cannot run here: the plug-ins alone (the same sources the 64-bit tests check).
    cmake --build "$dir" -j"$jobs" --target quovent_plugins
  else
    cmake --build "$dir" -j"$jobs"
  fi
done

step "Windows tests under Wine"
windows_dirs=(build-win64)
skipped=()
if $can_run_32; then
  windows_dirs=(build-win32 build-win64)
else
  skipped+=("the 32-bit DLL's tests under Wine" "LMMS playing the 32-bit DLL")
  printf '\n*** SKIPPED: this kernel cannot execute i386 programs (Wine'"'"'s 32-bit loader,\n'
  printf '*** LMMS): build-win32 builds its plug-ins but its tests and LMMS do not run here.\n\n'
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
finish_step

echo
echo "=== all passed in $((SECONDS / 60)) min $((SECONDS % 60)) s"
printf '%s\n' "${steps[@]}"
(cd "$root/build" && ctest -N | tail -1)
for what in "${skipped[@]}"; do
  echo "*** not run on this machine: $what (no i386 execution)"
done
