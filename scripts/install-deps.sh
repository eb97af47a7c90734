#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Korvex needs,
# Wine with its 32-bit part and a virtual X display for the Win32 tests among
# them. Runs apt-get as root, or through sudo otherwise; skips what is installed.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libtiff-dev libpng-dev
  libcairo2-dev fonts-liberation
  wine wine32:i386 xvfb xauth
  sane-utils libsane-dev netpbm
  nsis
  libcpp-httplib-dev libssl-dev libpugixml-dev libjpeg62-turbo-dev libavahi-client-dev sane-airscan
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
