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
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${QUOVENT_WINEPREFIX:-$root/build-wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

prepare_prefix() {
  [ -f "$WINEPREFIX/.quovent-ready" ] && return
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quovent-ready" ]; then
      wineboot --init >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
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
    wine cmd /c exit </dev/null >/dev/null 2>&1
    exit 0
    ;;
  --stop-server)
    wineserver -k 2>/dev/null || true
    exit 0
    ;;
esac

prepare_prefix
exec wine "$@"
