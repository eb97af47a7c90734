#!/usr/bin/env bash
# Installs what is missing, builds every target (Linux host, Win32 cross build,
# sanitizer build) and runs every test; the Win32 tests run under Wine in a
# session of their own (fresh prefix, Xvfb display), see scripts/wine-session.sh.
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
  if [ "$preset" = win32 ]; then
    bash scripts/wine-session.sh build/win32 ctest --preset win32 || status=1
  else
    ctest --preset "$preset" || status=1
  fi
done
bash scripts/fuzz-smoke.sh || status=1
exit $status
