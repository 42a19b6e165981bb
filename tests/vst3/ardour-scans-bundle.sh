#!/usr/bin/env bash
# Ardour's own view of the VST 3 bundle: its VST 3 scanner must load the module and describe
# the instrument in the cache it writes, without errors: the fixed class id, name, vendor,
# category Instrument, no audio inputs, twelve outputs (the main stereo bus and ten channels of
# auxiliary buses), MIDI in.
#
# Usage: ardour-scans-bundle.sh BUNDLE.vst3
# Exit 77 (skipped) when Ardour is not installed, except under CI, where it must be.
set -euo pipefail

bundle=$1
ardour_lib=/usr/lib/ardour7
scanner=$ardour_lib/ardour-vst3-scanner

source "$(dirname "${BASH_SOURCE[0]}")/../support/require-tools.sh"
require_tools "Ardour 7" "$scanner"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quovent-ardour-vst3.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/vst3"
# Ardour keeps its scan cache and settings in these: nothing of the user's is read or changed.
export HOME=$scratch/home XDG_CACHE_HOME=$scratch/cache XDG_CONFIG_HOME=$scratch/config
cp -R "$bundle" "$scratch/vst3/quovent.vst3"
# Ardour trusts a cache only when it is strictly newer than the module (in whole seconds).
find "$scratch/vst3" -exec touch -d '-2 min' {} +

failures=0
expect() { # description, text, pattern
  if grep -q -- "$3" <<<"$2"; then
    echo "ok:   $1"
  else
    echo "FAIL: $1 (no '$3')"
    failures=$((failures + 1))
  fi
}

echo "--- ardour-vst3-scanner"
scan=$(LD_LIBRARY_PATH=$ardour_lib timeout 120 "$scanner" -v -f "$scratch/vst3/quovent.vst3" 2>&1) || {
  echo "$scan"
  echo "FAIL: the scanner did not finish cleanly"
  exit 1
}
echo "$scan"
cache=$(find "$XDG_CACHE_HOME" -name '*.v3i' -print -quit)
if [ -z "$cache" ]; then
  echo "FAIL: the scanner wrote no cache file"
  exit 1
fi
info=$(grep -o '<VST3Info [^>]*>' "$cache" || true)
echo "--- $(basename "$cache")"
echo "$info"
expect "the scanner describes one plug-in" "$info" '<VST3Info '
expect "the fixed class id" "$info" ' uid="6AABEC9557E54A95A2556E750E249129"'
expect "name" "$info" ' name="quovent"'
expect "vendor" "$info" ' vendor="Halvden Labs"'
expect "an instrument" "$info" ' category="Instrument|Sampler"'
expect "version" "$info" ' version="1.0.0"'
expect "no audio inputs" "$info" ' n_inputs="0"'
expect "no auxiliary inputs" "$info" ' n_aux_inputs="0"'
expect "the main stereo output" "$info" ' n_outputs="2"'
expect "five auxiliary stereo outputs" "$info" ' n_aux_outputs="10"'
expect "MIDI in" "$info" ' n_midi_inputs="1"'
expect "no MIDI out" "$info" ' n_midi_outputs="0"'
if grep -qi -e 'error' -e 'failed' -e 'cannot' <<<"$scan"; then
  echo "FAIL: the scanner reported a problem"
  failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "Ardour's VST 3 scanner accepts the bundle"
