#!/usr/bin/env bash
# The bundle judged by the LV2 tools: lv2_validate (sord_validate against LV2's installed
# vocabulary in /usr/lib/lv2) finds nothing wrong in its Turtle, and lv2info, finding it through
# LV2_PATH, shows the instrument with its ports in their fixed order.
#
# Usage: lv2-validate.sh BUNDLE_DIR
# Exit 77 (skipped) when the tools are not installed, except under CI, where they must be.
set -euo pipefail

bundle=$1
source "$(dirname "${BASH_SOURCE[0]}")/../support/require-tools.sh"
require_tools "the LV2 tools" lv2_validate sord_validate lv2info

failures=0
expect() { # description, text, pattern
  if grep -qE -- "$3" <<<"$2"; then
    echo "ok:   $1"
  else
    echo "FAIL: $1 (no '$3')"
    failures=$((failures + 1))
  fi
}

echo "--- lv2_validate"
status=0
validation=$(lv2_validate "$bundle"/*.ttl 2>&1) || status=$?
echo "$validation"
if [ "$status" -ne 0 ] || grep -qiE '(error|warning):' <<<"$validation"; then
  echo "FAIL: lv2_validate finds fault with the bundle"
  failures=$((failures + 1))
fi
expect "lv2_validate read the bundle's three files" "$validation" 'Found 0 errors'

echo "--- lv2info"
# LV2_PATH names a folder holding only a link to the bundle, then LV2's own vocabulary.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quovent-lv2info.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
ln -s "$(cd "$bundle" && pwd)" "$scratch/quovent.lv2"
info=$(LV2_PATH=$scratch:/usr/lib/lv2 lv2info https://halvden.audio/plugins/quovent 2>&1)
expect "found through LV2_PATH" "$info" "Bundle: +file://$scratch/quovent.lv2/"
expect "name" "$info" 'Name: +quovent$'
expect "an instrument" "$info" 'Class: +Instrument Plugin'
expect "maker" "$info" 'Author: +Halvden Labs'
expect "the editor" "$info" 'ui#X11UI'
expect "the worker is required" "$info" 'Required Features:.*worker#schedule|^ +http://lv2plug.in/ns/ext/worker#schedule'
expect "state and worker interfaces" "$info" 'state#interface'
ports=$(grep -cE '^\s+Port [0-9]+:' <<<"$info" || true)
if [ "$ports" -eq 95 ]; then echo "ok:   95 ports"; else echo "FAIL: $ports ports, not 95"; failures=$((failures + 1)); fi

# Port N's block: from "Port N:" to the next port.
port() { awk -v n="Port $1:" '$0 ~ "^\t" n "$" {p=1; next} p && /^\tPort [0-9]+:/ {exit} p' <<<"$info"; }
expect "port 0: the atom input, for MIDI, time and patch messages" "$(port 0)" 'Symbol: +control'
expect "port 0 is an input" "$(port 0)" 'atom#AtomPort'
expect "port 0 takes the host's control messages" "$(port 0)" 'Designation: +http://lv2plug.in/ns/lv2core#control'
expect "port 1: the atom output" "$(port 1)" 'Symbol: +notify'
n=2
for pair in 1 2 3 4 5 6; do
  for side in L R; do
    lower=$(tr LR lr <<<"$side")
    block=$(port $n)
    expect "port $n: quov $pair $side" "$block" "Name: +quov $pair $side\$"
    expect "port $n: symbol out${pair}_$lower" "$block" "Symbol: +out${pair}_$lower\$"
    expect "port $n: in the stereo group out$pair" "$block" "Group: +https://halvden.audio/plugins/quovent#out$pair\$"
    n=$((n + 1))
  done
done
expect "port 14: Slot 1 Volume" "$(port 14)" 'Symbol: +slot1_volume'
expect "port 20: Slot 1 Filter, an enumeration" "$(port 20)" 'lv2core#enumeration'
expect "port 20: with its labels" "$(port 20)" '3.0 = "High-pass"'
expect "port 21: Slot 1 Mute, a toggle" "$(port 21)" 'lv2core#toggled'
expect "port 23: Slot 1 Output, labelled as the pairs" "$(port 23)" '6.0 = "quov 6"'
expect "port 93: Slot 8 Output" "$(port 93)" 'Symbol: +slot8_output'
expect "port 94: Shuffle, the last" "$(port 94)" 'Symbol: +shuffle'

if [ "$failures" -ne 0 ]; then
  echo "$info"
  echo "$failures check(s) failed"
  exit 1
fi
echo "the LV2 tools accept the bundle"
