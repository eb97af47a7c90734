#!/usr/bin/env bash
# Installs what is missing, builds every target (Linux host, Win32 cross build,
# sanitizer build) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

for preset in host win32 asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

status=0
for preset in host win32 asan; do
  echo "== $preset: tests"
  ctest --preset "$preset" || status=1
done
exit $status
