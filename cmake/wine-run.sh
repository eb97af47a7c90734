#!/usr/bin/env bash
# The cross-compiling emulator of the Win32 build: runs a Windows program under
# Wine in the prefix and on the display that scripts/wine-session.sh prepared.
# The virtual scanner's WNASPI32.DLL beside the program answers instead of
# Wine's builtin ASPI manager.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: no Wine session; run the tests as" \
       "'scripts/wine-session.sh build/win32 ctest --preset win32'" >&2
  exit 1
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="wnaspi32=n${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
exec wine "$@"
