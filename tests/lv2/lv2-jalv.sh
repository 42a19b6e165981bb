#!/usr/bin/env bash
# jalv, LV2's reference host, runs the plug-in as a JACK client on a private JACK server with
# the dummy backend, which this script starts and stops: the plug-in instantiates from
# LV2_PATH, JACK shows its MIDI input and its twelve outputs, it runs blocks with notes from
# a MIDI sequencer client connected to it, and jalv ends cleanly when its input closes. jalv
# restores an empty state at every start: neither it nor the plug-in's log may call it refused.
#
# Usage: lv2-jalv.sh BUNDLE_DIR
# Exit 77 (skipped) when jalv or JACK is not installed, except under CI, where they must be.
set -euo pipefail

bundle=$1
uri=https://halvden.audio/plugins/quovent
source "$(dirname "${BASH_SOURCE[0]}")/../support/require-tools.sh"
require_tools "jalv and JACK" jackd jalv jack_lsp jack_wait jack_connect jack_midiseq

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quovent-jalv.XXXXXX")
mkdir -p "$scratch/lv2"
ln -s "$(cd "$bundle" && pwd)" "$scratch/lv2/quovent.lv2"
# A server of our own: nothing of another JACK user's is touched, and no sound device.
server=quovent-lv2-$$
export JACK_DEFAULT_SERVER=$server JACK_NO_AUDIO_RESERVATION=1
client=quovent-jalv
jackd_pid=""
jalv_pid=""
seq_pid=""

# Ends one process we started: TERM, a bounded wait, then KILL.
stop() {
  local pid=$1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop "$seq_pid"
  stop "$jalv_pid"
  stop "$jackd_pid"
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}
# The logs, without the dummy backend's late-block reports (a loaded machine makes them).
show_logs() {
  for log in jackd jalv; do
    [ -f "$scratch/$log.log" ] || continue
    echo "--- $log"
    grep -v -e 'XRun' -e 'ProcessGraphAsyncMaster' "$scratch/$log.log" || true
  done
}

jackd --no-realtime -n "$server" -d dummy -r 48000 -p 256 >"$scratch/jackd.log" 2>&1 3>&- &
jackd_pid=$!
if ! timeout 20 jack_wait -s "$server" -w -t 15 >/dev/null 2>&1; then
  show_logs
  echo "FAIL: the JACK server did not start"
  exit 1
fi
echo "ok:   JACK server $server (dummy backend) runs"

# jalv reads commands from its standard input and ends at its end: the script holds the
# writing end of a FIFO open (fd 3, which no child keeps) for as long as jalv is to run.
mkfifo "$scratch/commands"
exec 3<>"$scratch/commands"
LV2_PATH=$scratch/lv2:/usr/lib/lv2 jalv -x -n "$client" "$uri" <"$scratch/commands" \
  >"$scratch/jalv.log" 2>&1 3>&- &
jalv_pid=$!

ports=""
for _ in $(seq 1 60); do
  ports=$(jack_lsp -s "$server" -t 2>/dev/null || true)
  grep -q "^$client:out6_r" <<<"$ports" && break
  kill -0 "$jalv_pid" 2>/dev/null || break
  sleep 0.5
done
if ! kill -0 "$jalv_pid" 2>/dev/null; then
  show_logs
  echo "FAIL: jalv ended before the plug-in's ports appeared"
  exit 1
fi
echo "$ports" | grep -A1 "^$client:" || true
if grep -A1 "^$client:control\$" <<<"$ports" | grep -q "midi"; then
  echo "ok:   the MIDI input $client:control"
else
  fail "no MIDI input $client:control"
fi
outs=0
for pair in 1 2 3 4 5 6; do
  for side in l r; do
    if grep -A1 "^$client:out${pair}_$side\$" <<<"$ports" | grep -q "audio"; then
      outs=$((outs + 1))
    else
      fail "no audio output $client:out${pair}_$side"
    fi
  done
done
[ "$outs" -eq 12 ] && echo "ok:   twelve audio outputs"
inputs=$(grep -c "^$client:" <<<"$ports" || true)
[ "$inputs" -eq 13 ] || fail "$inputs ports of $client, not 13"

# Notes into the plug-in for a second: a half-second loop of two notes on channel 1.
jack_midiseq quovent-notes 24000 0 60 8000 12000 63 8000 >/dev/null 2>&1 3>&- &
seq_pid=$!
for _ in $(seq 1 40); do
  jack_lsp -s "$server" 2>/dev/null | grep -q '^quovent-notes:out' && break
  sleep 0.25
done
if jack_connect -s "$server" quovent-notes:out "$client:control" 2>/dev/null; then
  echo "ok:   notes connected to the plug-in"
else
  fail "cannot connect the MIDI sequencer to $client:control"
fi
jack_connect -s "$server" "$client:out1_l" system:playback_1 2>/dev/null ||
  fail "cannot connect $client:out1_l"
sleep 1.5
kill -0 "$jalv_pid" 2>/dev/null || fail "jalv ended while running the plug-in"
stop "$seq_pid"
seq_pid=""

# Closing jalv's input ends it by itself.
exec 3>&-
status=0
for _ in $(seq 1 100); do
  kill -0 "$jalv_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$jalv_pid" 2>/dev/null; then
  fail "jalv did not end when its input closed"
else
  wait "$jalv_pid" || status=$?
  [ "$status" -eq 0 ] || fail "jalv ended with status $status"
  jalv_pid=""
fi
grep -q "^Block length:" "$scratch/jalv.log" || fail "jalv did not run the plug-in"
if grep -i "refused" "$scratch/jalv.log"; then
  fail "jalv or the plug-in refused a state (above)"
fi

if [ "$failures" -ne 0 ]; then
  show_logs
  echo "$failures check(s) failed"
  exit 1
fi
echo "jalv runs the plug-in on JACK"
