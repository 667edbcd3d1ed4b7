#!/usr/bin/env bash
# Installs the Debian packages the station needs, and only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  clang libclang-rt-14-dev lld
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev libzstd-dev liblz4-dev libudev-dev
  fitsverify libxml2-utils python3
  libcurl4-openssl-dev astrometry.net astrometry-data-tycho2-10-19
  qt6-base-dev libqt6svg6 xvfb xauth xdotool desktop-file-utils
  libindi-dev indi-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing missing packages: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
