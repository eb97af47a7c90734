#!/usr/bin/env bash
# Installs what is missing, builds the host target and runs korvex-scan against
# the virtual scanner: it shows the scanner on the virtual bus, opens the
# source, negotiates the scan settings and closes it again. Arguments replace
# the demonstration options below (see build/host/bin/korvex-scan --help).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host

# A sandboxed Windows directory keeps the settings file and the scenario of
# these runs apart from the user's own.
export KORVEX_WINDIR="${KORVEX_WINDIR:-$PWD/build/host/windows}"
mkdir -p "$KORVEX_WINDIR"

if [ $# -eq 0 ]; then
  set -- --scenario default --pixel-type gray --bit-depth 8 --resolution 300 --count -1
fi
exec build/host/bin/korvex-scan "$@"
