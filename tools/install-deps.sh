#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need. Safe to run again:
# packages already present are not touched, and apt is asked only when one is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxtst-dev libcairo2-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libsndfile1-dev nlohmann-json3-dev libsmf-dev
  xvfb xauth xdotool x11-apps x11-xserver-utils imagemagick
  ardour
  # The Windows DLLs: mingw-w64 cross compilers (the -posix ones have std::thread), GoogleTest
  # sources to build for them, and Wine to run their tests.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64 wine32:i386
  # A real Windows host: LMMS loads 32-bit VST DLLs through Wine (only its i386 build can).
  lmms:i386 lmms-vst-server:i386
)

# Wine's 32-bit half and LMMS come from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Several builds may share a machine: wait for another apt run instead of failing.
  apt-get -o DPkg::Lock::Timeout=900 update -qq
  apt-get -o DPkg::Lock::Timeout=900 install -y -qq "${missing[@]}" >/dev/null
fi
