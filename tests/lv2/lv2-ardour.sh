#!/usr/bin/env bash
# A headless Ardour 7 takes the LV2 plug-in: found through LV2_PATH, it is listed as an
# instrument with no audio input, twelve audio outputs and a MIDI input, a MIDI track is
# built with it as the track's instrument, and the saved session names it as an LV2
# processor by its URI.
#
# Usage: lv2-ardour.sh BUNDLE_DIR
# Exit 77 (skipped) when Ardour is not installed, except under CI, where it must be.
set -euo pipefail

bundle=$1
source "$(dirname "${BASH_SOURCE[0]}")/../support/require-tools.sh"
require_tools "Ardour 7" ardour7-lua
lua=$(command -v ardour7-lua)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quovent-ardour-lv2.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/lv2"
# Ardour keeps its caches and settings in these: nothing of the user's is read or changed.
export HOME=$scratch/home XDG_CACHE_HOME=$scratch/cache XDG_CONFIG_HOME=$scratch/config
ln -s "$(cd "$bundle" && pwd)" "$scratch/lv2/quovent.lv2"
# LV2_PATH replaces Ardour's folders: the bundle's, then LV2's own vocabulary in /usr/lib/lv2.
export LV2_PATH=$scratch/lv2:/usr/lib/lv2

failures=0
expect() { # description, text, pattern
  if grep -q -- "$3" <<<"$2"; then
    echo "ok:   $1"
  else
    echo "FAIL: $1 (no '$3')"
    failures=$((failures + 1))
  fi
}

cat >"$scratch/track.lua" <<'LUA'
local uri = "https://halvden.audio/plugins/quovent"
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
assert(create_session(os.getenv("SESSION_DIR"), "lv2", 48000), "no session")
-- Plug-in lists are asked for only once the session runs: earlier, Ardour 7.3 crashes.
local info = ARDOUR.LuaAPI.new_plugin_info(uri, ARDOUR.PluginType.LV2)
assert(not info:isnil(), "Ardour does not know the plug-in")
print(string.format("listed: %s by %s, %d in, %d out, %d MIDI in, instrument %s", info.name,
  info.creator, info.n_inputs:n_audio(), info.n_outputs:n_audio(), info.n_inputs:n_midi(),
  tostring(info:is_instrument())))
local tracks = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
  ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true, info, nil, nil, 1, "quovent",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track")
local instrument = tracks:front():the_instrument()
assert(not instrument:isnil(), "the track has no instrument")
local plugin = instrument:to_insert():plugin(0)
print(string.format("track instrument: %s (%s)", plugin:name(), plugin:unique_id()))
Session:save_state("", false, false, false, false, false)
close_session()
print("saved")
LUA

# Ardour's session code dies of a signal now and then whatever the plug-in: a run that died
# of a signal is tried again; only a clean run is judged.
output=""
for attempt in 1 2 3; do
  rm -rf "$scratch/session"
  status=0
  output=$(SESSION_DIR=$scratch/session timeout 300 "$lua" "$scratch/track.lua" 2>&1) || status=$?
  if [ "$status" -lt 128 ] || [ "$status" -eq 124 ]; then
    break
  fi
  echo "(ardour7-lua died of signal $((status - 128)); trying again)"
done
grep -v -e '^$' -e 'buffer of size' <<<"$output" || true
[ "$status" -eq 0 ] || { echo "FAIL: ardour7-lua ended with status $status"; failures=$((failures + 1)); }
expect "Ardour lists the LV2 instrument from LV2_PATH" "$output" \
  'listed: quovent by Halvden Labs, 0 in, 12 out, 1 MIDI in, instrument true'
expect "a MIDI track has it as its instrument" "$output" \
  'track instrument: quovent (https://halvden.audio/plugins/quovent)'
expect "the session was saved" "$output" '^saved$'
sessionfile=$scratch/session/lv2.ardour
if [ -f "$sessionfile" ]; then
  processor=$(grep -o '<Processor [^>]*type="lv2"[^>]*>' "$sessionfile" || true)
  expect "the session names an LV2 processor by the URI" "$processor" \
    'unique-id="https://halvden.audio/plugins/quovent"'
else
  echo "FAIL: no session file $sessionfile"
  failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "Ardour accepts the LV2 plug-in"
