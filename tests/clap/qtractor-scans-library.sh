#!/usr/bin/env bash
# Qtractor's own view of the CLAP library: its plug-in scanner must load it and describe one
# instrument named quovent with MIDI in, its parameters, an editor and real-time safety. The
# scanner counts the channels of main ports only, so of the six stereo outputs it lists the
# main one (0:2); its engine gives every instrument two outputs anyway.
#
# Usage: qtractor-scans-library.sh LIBRARY.clap
# Exit 77 (skipped) when Qtractor is not installed, except under CI, where it must be.
set -euo pipefail

library=$1
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan

source "$(dirname "${BASH_SOURCE[0]}")/../support/require-tools.sh"
require_tools Qtractor "$scanner"

# The scanner reads TYPE:path lines and prints
# TYPE|name|audio-in:audio-out|midi-in:midi-out|params-in:params-out|flags|path|index|id.
line=$(echo "CLAP:$library" | timeout 60 "$scanner")
echo "$line"
IFS='|' read -r type name audio midi params flags path index _ <<<"$line"
expect() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1 is '$2', not '$3'"
    exit 1
  fi
}
expect type "$type" CLAP
expect name "$name" quovent
expect audio "$audio" 0:2
expect midi "$midi" 1:0
expect parameters "$params" 81:0
expect path "$path" "$library"
expect index "$index" 0
case ",$flags," in
  *,GUI,*) ;;
  *) echo "FAIL: no editor in the flags '$flags'"; exit 1 ;;
esac
echo "PASS: Qtractor's scanner reads the CLAP instrument"
