#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need. Safe to run again:
# packages already present are not touched, and apt is asked only when one is missing.
#
#   tools/install-deps.sh build   what building the plug-ins and rendering the demo need
#   tools/install-deps.sh all     that, and every test's compilers, libraries and hosts
set -euo pipefail

what=${1:-all}
case "$what" in
  build | all) ;;
  *)
    echo "usage: $0 [build|all]" >&2
    exit 2
    ;;
esac

# The plug-ins (VST 2, VST 3, LV2), the editor and the command-line tools.
build_packages=(
  build-essential cmake ninja-build pkg-config
  libx11-dev libcairo2-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libsndfile1-dev nlohmann-json3-dev libsmf-dev lv2-dev
)
packages=(
  ccache clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxtst-dev
  # The LV2 tests: lilv for the test host, and the tools that judge the bundle
  # (lv2_validate needs sordi's sord_validate; lv2info comes with lilv-utils).
  liblilv-dev lilv-utils sordi
  xvfb xauth xdotool x11-apps x11-xserver-utils imagemagick
  # The Windows DLLs: mingw-w64 cross compilers (the -posix ones have std::thread), GoogleTest
  # sources to build for them, and Wine to run their tests.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64
)
# Hosts to test against: Ardour 7's plug-in scanner, its headless session runner
# (ardour7-lua) and exporter; LMMS, which loads 32-bit VST DLLs through Wine (only its i386
# build can); jalv, LV2's reference host, on a JACK server (jackd2, with jack_lsp); Qtractor,
# whose plug-in scanner reads the CLAP library. Their recommendations (video tools, LADSPA
# collections, JACK front ends) are not needed.
bare_packages=(ardour jalv jackd2 qtractor)
# The i386 half (Wine's 32-bit loader and LMMS) is installed where it can be: its package
# lists are the ones a mirror in mid-sync leaves out of step with the amd64 ones, and a kernel
# without i386 execution cannot run it anyway. The tests say loudly what did not run.
i386_packages=(wine32:i386 lmms:i386 lmms-vst-server:i386)

if [ "$what" = build ]; then
  packages=()
  bare_packages=()
  i386_packages=()
else
  # Wine's 32-bit half and LMMS come from the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
fi
packages=("${build_packages[@]}" "${packages[@]}")

missing_of() {
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      echo "$p"
    fi
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_bare < <(missing_of "${bare_packages[@]}")
mapfile -t missing_i386 < <(missing_of "${i386_packages[@]}")

if [ $((${#missing[@]} + ${#missing_bare[@]} + ${#missing_i386[@]})) -gt 0 ]; then
  echo "installing: ${missing[*]} ${missing_bare[*]} ${missing_i386[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Several builds may share a machine: wait for another apt run instead of failing.
  # A mirror caught mid-sync fails one index (seen for the i386 security lists): try again,
  # and go on with the lists that did arrive; the install below fails if a package is missing.
  for attempt in 1 2; do
    apt-get -o DPkg::Lock::Timeout=900 update -qq && break
    echo "apt-get update failed (attempt $attempt)" >&2
    [ "$attempt" = 2 ] || sleep 10
  done
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get -o DPkg::Lock::Timeout=900 install -y -qq "${missing[@]}" >/dev/null
  fi
  if [ ${#missing_bare[@]} -gt 0 ]; then
    apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends \
      "${missing_bare[@]}" >/dev/null
  fi
  if [ ${#missing_i386[@]} -gt 0 ] &&
    ! apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends \
      "${missing_i386[@]}" >/dev/null; then
    echo "*** could not install ${missing_i386[*]}: the 32-bit Windows tests and LMMS will not run" >&2
  fi
fi
