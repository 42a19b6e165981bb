#!/usr/bin/env bash
# The main job: builds everything, shows what a host sees of the plug-in, and renders the
# demo song with the bundled demo kit and bank into demo.wav (stereo mix of all output
# pairs, 24-bit) with a waveform picture, demo.png, both at the repository root. It
# installs only what that needs: the test programs, benchmarks and test hosts (Wine, the
# Windows cross compilers, Ardour, LMMS) are the test command's (tools/test-all.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUOVENT_BUILD_TESTS=OFF -DQUOVENT_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"

if [ -x build/quovent-probe ]; then
  build/quovent-probe build/quovent.so
fi

# Eight bars at 120 BPM, and a quarter of a second for the last pattern to fade out.
build/quovent-render --bank resources/demo/demo.json --midi resources/demo/demo.mid \
  --seconds 16.25 -o demo.wav --png demo.png
