#!/usr/bin/env bash
# The main job: builds the plug-in and shows what a host sees of it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

if [ -x build/quovent-probe ]; then
  build/quovent-probe build/quovent.so
fi
