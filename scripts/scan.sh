#!/usr/bin/env bash
# Installs what is missing, builds the host target and scans a duplex batch
# from the virtual scanner into files with korvex-scan, then says where they
# are. Arguments replace the demonstration options below (see
# build/host/bin/korvex-scan --help).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host

# A sandboxed Windows directory keeps the settings file and the scenario of
# these runs apart from the user's own.
export KORVEX_WINDIR="${KORVEX_WINDIR:-$PWD/build/host/windows}"
mkdir -p "$KORVEX_WINDIR"

if [ $# -gt 0 ]; then
  exec build/host/bin/korvex-scan "$@"
fi

# Five A4 sheets, both sides, 8-bit gray at 200 dpi, one TIFF per side.
pages="$PWD/build/host/scans"
rm -rf "$pages"
status=0
build/host/bin/korvex-scan --scenario duplex-a4 --pixel-type gray --bit-depth 8 --resolution 200 \
  --duplex --paper a4 --output-dir "$pages" || status=$?
count=$(find "$pages" -maxdepth 1 -name 'scan-*' 2>/dev/null | wc -l)
echo
echo "korvex-scan exited with status $status; $count page file(s) are in $pages"
exit "$status"
