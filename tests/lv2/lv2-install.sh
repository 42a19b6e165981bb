#!/usr/bin/env bash
# `cmake --install` of a build tree into a scratch prefix puts the LV2 bundle into
# <prefix>/lib/lv2/quovent.lv2 (library and Turtle files, nothing else), the library exports
# only the two LV2 entry names, and lilv finds the installed copy through LV2_PATH.
#
# Usage: lv2-install.sh BUILD_DIR
set -euo pipefail

build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quovent-lv2-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >"$prefix/install.log" 2>&1 || {
  cat "$prefix/install.log"
  echo "FAIL: cmake --install failed"
  exit 1
}
bundle=$prefix/lib/lv2/quovent.lv2
installed=$(cd "$bundle" && find . -mindepth 1 | sort | tr '\n' ' ')
if [ "$installed" != "./manifest.ttl ./quovent-ui.ttl ./quovent.so ./quovent.ttl " ]; then
  echo "FAIL: the installed bundle holds: $installed"
  exit 1
fi
exports=$(nm -D --defined-only "$bundle/quovent.so" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$exports" != "lv2_descriptor lv2ui_descriptor " ]; then
  echo "FAIL: the installed library exports '$exports'"
  exit 1
fi
if command -v lv2info >/dev/null; then
  info=$(LV2_PATH=$prefix/lib/lv2:/usr/lib/lv2 lv2info https://halvden.audio/plugins/quovent 2>&1)
  if ! grep -q "Binary: *file://$bundle/quovent.so" <<<"$info"; then
    echo "$info"
    echo "FAIL: lilv does not find the installed bundle"
    exit 1
  fi
fi
echo "installed: lib/lv2/quovent.lv2"
