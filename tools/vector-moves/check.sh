#!/usr/bin/env bash
# Fails when a Windows binary moves a 32- or 64-byte vector to or from its stack with an
# instruction that needs the address aligned to the vector's size (docs/windows.md, "AVX2 and
# the stack"): 64-bit Windows keeps the stack 16-byte aligned only, so such a move can fault
# on a real machine, even where Wine happens to pass. Names each one found (binary, function,
# address, instruction).
#
#   check.sh OBJDUMP [--faulty PROBE] BINARY...
#
# --faulty PROBE: an object with such a move, which the check must find first; when it does
# not, the check itself is broken and fails.
set -euo pipefail

objdump=$1
shift

# Prints the aligned 32- and 64-byte moves with a stack-based memory operand of one binary;
# fails when it cannot be disassembled or holds no instructions at all.
aligned_stack_moves() { # binary
  local listing
  listing=$("$objdump" -d --no-show-raw-insn -C "$1") || return 1
  awk -v binary="$1" '
    /^[0-9a-f]+ <.*>:$/ {
      function_name = substr($0, index($0, "<") + 1)
      sub(/>:$/, "", function_name)
      next
    }
    /^ *[0-9a-f]+:\t/ {
      instructions++
      address = $1
      sub(/:$/, "", address)
      text = substr($0, index($0, "\t") + 1)
      split(text, words, /[ \t]+/)
      if (words[1] ~ /^(vmovaps|vmovapd|vmovdqa|vmovdqa32|vmovdqa64|vmovntps|vmovntpd|vmovntdq|vmovntdqa)$/ &&
          text ~ /%[yz]mm[0-9]+/ && text ~ /\(%[er](sp|bp)[,)]/) {
        printf "%s: %s: %s: %s\n", binary, function_name == "" ? "?" : function_name, address, text
      }
    }
    END {
      if (instructions == 0) {
        printf "%s: no instructions found\n", binary > "/dev/stderr"
        exit 1
      }
    }' <<<"$listing"
}

if [ "${1:-}" = --faulty ]; then
  probe=$2
  shift 2
  found=$(aligned_stack_moves "$probe")
  if [ -z "$found" ]; then
    echo "vector move check: finds nothing in $probe, which has an aligned move to the stack" >&2
    exit 1
  fi
fi

status=0
for binary in "$@"; do
  found=$(aligned_stack_moves "$binary")
  if [ -n "$found" ]; then
    echo "vector move check: aligned 32- or 64-byte moves on the stack:" >&2
    echo "$found" >&2
    status=1
  fi
done
exit $status
