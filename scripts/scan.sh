#!/usr/bin/env bash
# Installs what is missing, builds the host target and runs korvex-scan against
# the virtual scanner. Extra arguments go to korvex-scan; the pages land in
# ./scans unless --output-dir says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host

# A sandboxed Windows directory keeps the settings file and the scenario of
# this run apart from the user's own.
export KORVEX_WINDIR="${KORVEX_WINDIR:-$PWD/build/host/windows}"
mkdir -p "$KORVEX_WINDIR" scans
exec build/host/bin/korvex-scan --output-dir scans "$@"
