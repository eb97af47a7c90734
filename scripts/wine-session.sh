#!/usr/bin/env bash
# Runs a command in a Wine session of its own: a fresh WINEPREFIX under the
# given build directory (initialised once with wineboot), an Xvfb display
# started here and stopped again afterwards, and Wine's debug output off.
#   scripts/wine-session.sh build/win32 ctest --preset win32
# Prints how long the session took. The command's exit status is the result.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR COMMAND [ARG...]" >&2
  exit 2
fi
build_dir="$(cd "$1" && pwd)"
shift
started=$(date +%s)

export WINEPREFIX="$build_dir/wine-prefix"
export WINEDEBUG=-all
export WINEARCH=win32
# Gecko and Mono are not needed and would ask to be installed.
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"

# The first free display number from 90 up.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
stop_session() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" >/dev/null 2>&1 || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap stop_session EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done

wineboot -i >/dev/null 2>&1
# Xvfb runs no window manager: windows Wine leaves unmanaged close at once
# instead of waiting for a manager to withdraw them.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

status=0
"$@" || status=$?
echo "== Wine session: $(( $(date +%s) - started )) s"
exit $status
