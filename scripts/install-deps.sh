#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Korvex needs.
# Runs apt-get as root, or through sudo otherwise; skips what is installed.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libtiff-dev libpng-dev
  libcairo2-dev fonts-liberation
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
