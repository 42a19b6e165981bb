#!/usr/bin/env bash
# Runs a Windows program of the cross builds under Wine, in the repository's own scratch
# prefix (build-wine/ at the repository root, or $QUOVENT_WINEPREFIX), which is created on
# first use: no Mono or Gecko prompts, no menu entries, and crash dialogs off so that a
# crash ends the run with a backtrace instead of waiting for a click. CTest uses this as
# the emulator of the Windows build trees.
#
#   tools/wine-run.sh PROGRAM.exe [ARGS...]   run a program
#   tools/wine-run.sh --start-server [SECS]   create the prefix if needed and keep its
#                                             wineserver running (quick starts), until
#                                             --stop-server or SECS after its last client
#   tools/wine-run.sh --stop-server           end the wineserver of this prefix only
#   tools/wine-run.sh --can-run-32            exit 0 when 32-bit Windows programs can run
#
# Each program is started by the loader of its own bitness. Debian's `wine` command always
# takes the 32-bit loader when wine32 is installed, which fails outright on kernels that
# cannot execute i386 programs; the 64-bit loader starts 64-bit programs there regardless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${QUOVENT_WINEPREFIX:-$root/build-wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
loader64=/usr/lib/wine/wine64
loader32=/usr/lib/wine/wine
# Programs Wine starts itself (services, child processes) use this loader.
export WINELOADER=$loader64

# The PE machine of a program: 8664 (x86_64), 014c (i386), or nothing when not a PE file.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$offset" ] || return 0
  od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

can_run_32() {
  [ -x "$loader32" ] && "$loader32" --version >/dev/null 2>&1
}

prepare_prefix() {
  [ -f "$WINEPREFIX/.quovent-ready" ] && return
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quovent-ready" ]; then
      "$loader64" wineboot --init >/dev/null 2>&1
      "$loader64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.quovent-ready"
    fi
  ) 9>"$WINEPREFIX/.quovent-lock"
}

case "${1:-}" in
  --start-server)
    prepare_prefix
    status=0
    wineserver "-p${2:-}" || status=$?
    [ "$status" -eq 0 ] || [ "$status" -eq 2 ] # 2: this prefix's server is already up
    # The first program of a session starts Wine's own services, which live as long as the
    # server and keep whatever output they inherited open: start them here, on /dev/null,
    # so that no test's output pipe stays open after the test (CTest would wait for it).
    "$loader64" cmd /c exit </dev/null >/dev/null 2>&1
    exit 0
    ;;
  --stop-server)
    wineserver -k 2>/dev/null || true
    exit 0
    ;;
  --can-run-32)
    can_run_32
    exit
    ;;
esac

prepare_prefix
if [ "$(pe_machine "$1")" = 014c ]; then
  if ! can_run_32; then
    echo "wine-run.sh: this system cannot execute Wine's 32-bit loader ($loader32)" >&2
    exit 126
  fi
  exec "$loader32" "$@"
fi
exec "$loader64" "$@"
