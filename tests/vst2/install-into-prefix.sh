#!/usr/bin/env bash
# `cmake --install` of a build tree into a scratch prefix: exactly the plug-ins land, the
# VST 2 plug-in at <prefix>/lib/vst/quovent.so, exporting its two entry names, and it loads as
# a host loads it (the probe reads its answers); the VST 3 bundle at
# <prefix>/lib/vst3/quovent.vst3 with its binary for this machine, exporting its three; the
# CLAP library at <prefix>/lib/clap/quovent.clap; and, in builds that make one, the LV2 bundle at <prefix>/lib/lv2/quovent.lv2 (tests/lv2 judges
# its contents).
#
# Usage: install-into-prefix.sh BUILD_DIR [PROBE]
set -euo pipefail

build=$1
probe=${2:-}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quovent-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || {
  cat "$prefix.log"
  rm -f "$prefix.log"
  echo "FAIL: cmake --install failed"
  exit 1
}
rm -f "$prefix.log"

vst3_binary=lib/vst3/quovent.vst3/Contents/$(uname -m)-linux/quovent.so
installed=$(cd "$prefix" && find . -mindepth 1 ! -type d | LC_ALL=C sort)
expected=$(printf './lib/clap/quovent.clap\n./lib/vst/quovent.so\n./%s' "$vst3_binary")
if [ -d "$build/quovent.lv2" ]; then
  lv2=./lib/lv2/quovent.lv2
  expected=$(printf '%s\n' "$expected" $lv2/manifest.ttl $lv2/quovent.ttl $lv2/quovent-ui.ttl \
    $lv2/quovent.so | LC_ALL=C sort)
fi
if [ "$installed" != "$expected" ]; then
  echo "FAIL: expected only lib/clap/quovent.clap, lib/vst/quovent.so, $vst3_binary and the LV2 bundle, found:"
  echo "$installed"
  exit 1
fi
vst3_exports=$(nm -D --defined-only "$prefix/$vst3_binary" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$vst3_exports" != "GetPluginFactory ModuleEntry ModuleExit " ]; then
  echo "FAIL: the installed VST 3 module exports '$vst3_exports'"
  exit 1
fi
clap_exports=$(nm -D --defined-only "$prefix/lib/clap/quovent.clap" | awk '{print $3}' | tr '\n' ' ')
if [ "$clap_exports" != "clap_entry " ]; then
  echo "FAIL: the installed CLAP library exports '$clap_exports'"
  exit 1
fi
plugin=$prefix/lib/vst/quovent.so
exports=$(nm -D --defined-only "$plugin" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$exports" != "VSTPluginMain main " ]; then
  echo "FAIL: the installed plug-in exports '$exports'"
  exit 1
fi
if [ -n "$probe" ]; then
  # In a sanitizer build the leak checker would blame the caches of the libraries that
  # leave the process with the plug-in when the probe unloads it; the answers are the point.
  answers=$(ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 "$probe" "$plugin")
  for want in "quovent" "Halvden Labs" "0x131"; do
    if ! grep -q -- "$want" <<<"$answers"; then
      echo "$answers"
      echo "FAIL: the probe does not show '$want' for the installed plug-in"
      exit 1
    fi
  done
fi
echo "installed: lib/clap/quovent.clap, lib/vst/quovent.so, $vst3_binary${lv2:+, $lv2}"
