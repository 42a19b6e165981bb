#!/usr/bin/env bash
# Ardour's own view of the built plug-in: its VST scanner must describe it as the instrument
# it is (name, vendor, 0 in / 12 out, MIDI in, editor, replacing), and a headless Ardour
# session must accept it from LXVST_PATH and create it, without blacklisting it.
#
# Usage: ardour-accepts-plugin.sh PLUGIN.so
# Exit 77 (skipped) when Ardour is not installed, except under CI, where it must be.
set -euo pipefail

plugin=$1
ardour_lib=/usr/lib/ardour7
scanner=$ardour_lib/ardour-vst-scanner
source "$(dirname "${BASH_SOURCE[0]}")/../support/require-tools.sh"
require_tools "Ardour 7" "$scanner" ardour7-lua
lua=$(command -v ardour7-lua)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quovent-ardour.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/vst"
# Ardour keeps its caches, blacklist and settings in these: nothing of the user's is read or
# changed.
export HOME=$scratch/home XDG_CACHE_HOME=$scratch/cache XDG_CONFIG_HOME=$scratch/config
cp "$plugin" "$scratch/vst/quovent.so"
# Ardour trusts a scan cache only when it is strictly newer (in whole seconds) than the
# plug-in: a copy made in the same second would be scanned again, or skipped.
touch -d '-2 min' "$scratch/vst/quovent.so"

failures=0
expect() { # description, text, pattern
  if grep -q -- "$3" <<<"$2"; then
    echo "ok:   $1"
  else
    echo "FAIL: $1 (no '$3')"
    failures=$((failures + 1))
  fi
}

echo "--- ardour-vst-scanner"
scan=$(LD_LIBRARY_PATH=$ardour_lib timeout 120 "$scanner" -v -f "$scratch/vst/quovent.so" 2>&1) || {
  echo "$scan"
  echo "FAIL: the scanner did not finish cleanly"
  exit 1
}
echo "$scan"
info=$(grep -o '<VST2Info [^>]*>' <<<"$scan" || true)
expect "the scanner describes one plug-in" "$info" '<VST2Info '
expect "name" "$info" ' name="quovent"'
expect "vendor" "$info" ' creator="Halvden Labs"'
expect "an instrument" "$info" ' is_instrument="1"'
expect "no audio inputs" "$info" ' n_inputs="0"'
expect "twelve audio outputs" "$info" ' n_outputs="12"'
expect "MIDI in" "$info" ' n_midi_inputs="1"'
expect "an editor" "$info" ' has_editor="1"'
expect "replacing processing" "$info" ' can_process_replace="1"'

echo "--- a headless session"
cat >"$scratch/accept.lua" <<'LUA'
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
local session = create_session(os.getenv("SESSION_DIR"), "accept", 48000)
assert(session, "no session")
for p in ARDOUR.LuaAPI.list_plugins():iter() do
  if p.name == "quovent" then
    print(string.format("listed: %s by %s, %d in, %d out, instrument %s", p.name, p.creator,
      p.n_inputs:n_audio(), p.n_outputs:n_audio(), tostring(p:is_instrument())))
  end
end
local plugin = ARDOUR.LuaAPI.new_plugin(session, "quovent", ARDOUR.PluginType.LXVST, "")
print(plugin:isnil() and "created: no" or "created: yes")
close_session()
LUA
# Ardour's session code dies of a signal now and then whatever the plug-in (about one run in
# fifty): a run that died of a signal is tried again; only a clean run is judged.
session=""
for attempt in 1 2 3; do
  rm -rf "$scratch/session"
  status=0
  session=$(SESSION_DIR=$scratch/session LXVST_PATH=$scratch/vst timeout 300 "$lua" \
    "$scratch/accept.lua" 2>&1) || status=$?
  if [ "$status" -lt 128 ] || [ "$status" -eq 124 ]; then
    break
  fi
  echo "(ardour7-lua died of signal $((status - 128)); trying again)"
done
grep -v -e '^$' -e 'buffer of size' <<<"$session" || true
expect "Ardour lists the plug-in from LXVST_PATH" "$session" \
  'listed: quovent by Halvden Labs, 0 in, 12 out, instrument true'
expect "Ardour creates it in a session" "$session" 'created: yes'
if grep -q 'does not support processReplacing' <<<"$session"; then
  echo "FAIL: Ardour refuses the plug-in for want of processReplacing"
  failures=$((failures + 1))
fi
blacklist=$XDG_CACHE_HOME/ardour7/vst2_x64_blacklist.txt
if [ -s "$blacklist" ] && grep -q quovent "$blacklist"; then
  echo "FAIL: Ardour blacklisted the plug-in"
  failures=$((failures + 1))
else
  echo "ok:   not blacklisted"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "Ardour accepts the plug-in"
