#!/usr/bin/env bash
# Installs and uninstalls korvex-setup.exe silently in the Wine session of the
# Win32 tests (scripts/wine-session.sh) and checks the files, the uninstall
# key and the install log:
#   1. a fresh install, then its uninstall;
#   2. an install over an ASPI manager the user already has (kept), then its
#      uninstall (the manager and the user's KORVEX32.INI stay);
#   3. the same with /REPLACEASPI (replaced, saved), then its uninstall (the
#      saved manager is back).
# Wine's placeholder of its builtin WNASPI32.DLL plays the user's manager and
# is put back at the end, whatever happens.
#   test-silent-install.sh SETUP.exe KORVEX32.ds WNASPI32.DLL VERSION
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 SETUP.exe KORVEX32.ds WNASPI32.DLL VERSION" >&2
  exit 2
fi
setup=$1 built_source=$2 built_aspi=$3 version=$4
if [ -z "${WINEPREFIX:-}" ]; then
  echo "no Wine session: run the tests through scripts/wine-session.sh" >&2
  exit 1
fi
export WINEDEBUG=-all

windir="$WINEPREFIX/drive_c/windows"
sysdir="$windir/system32"
instdir="$WINEPREFIX/drive_c/Program Files/Korvex"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvex'
work=$(mktemp -d)
users_manager="$work/users-wnaspi32.dll"
users_ini="$work/KORVEX32.INI"

fail() {
  echo "FAIL: $*" >&2
  [ -f "$instdir/install.log" ] && sed 's/^/  install.log: /' "$instdir/install.log" >&2
  exit 1
}
# Wine matches file names without regard to case: so must the checks.
aspi_in_sysdir() { find "$sysdir" -maxdepth 1 -iname wnaspi32.dll | head -n 1; }
remove_aspi() { find "$sysdir" -maxdepth 1 -iname wnaspi32.dll -delete; }

existing=$(aspi_in_sysdir)
if [ -n "$existing" ]; then
  cp "$existing" "$users_manager"
else
  printf 'an ASPI manager of the user\n' >"$users_manager"
fi
ini_was_there=0
[ -e "$windir/KORVEX32.INI" ] && { ini_was_there=1; cp "$windir/KORVEX32.INI" "$users_ini"; }
restore() {
  remove_aspi
  [ -n "$existing" ] && cp "$users_manager" "$existing"
  rm -f "$windir/twain_32/KORVEX32.ds" "$windir/KORVEX32.INI"
  [ "$ini_was_there" = 1 ] && cp "$users_ini" "$windir/KORVEX32.INI"
  rm -rf "$instdir" "$work"
}
trap restore EXIT

install() {
  wine "$setup" /S "$@" || fail "korvex-setup.exe /S $* exited with $?"
  cmp -s "$built_source" "$windir/twain_32/KORVEX32.ds" || fail "KORVEX32.ds not installed"
  [ -f "$instdir/uninstall.exe" ] || fail "no uninstaller in $instdir"
}
# The uninstaller runs from a copy of itself and returns at once; it removes
# its folder last.
uninstall() {
  wine "$instdir/uninstall.exe" /S || fail "uninstall.exe /S exited with $?"
  for _ in $(seq 300); do
    [ -e "$instdir" ] || break
    sleep 0.1
  done
  [ ! -e "$instdir" ] || fail "$instdir still there after the uninstall"
  [ ! -e "$windir/twain_32/KORVEX32.ds" ] || fail "KORVEX32.ds left after the uninstall"
  if wine reg query "$key" >/dev/null 2>&1; then fail "uninstall key left"; fi
}
registry() { wine reg query "$key" 2>/dev/null | tr -d '\r'; }
expect_value() {  # name, exact data
  grep -qxF "    $1    REG_SZ    $2" <<<"$values" || fail "uninstall key: $1 is not \"$2\":
$values"
}
expect_log() { grep -qF "$1" "$instdir/install.log" || fail "install log lacks \"$1\""; }
expect_manager() {  # file whose bytes the manager in the system folder must have
  local found
  found=$(aspi_in_sysdir)
  [ -n "$found" ] || fail "no WNASPI32.DLL in the system folder"
  cmp -s "$1" "$found" || fail "WNASPI32.DLL in the system folder is not $2"
}

echo "== fresh install"
remove_aspi
install
expect_manager "$built_aspi" "the SPTI manager"
expect_log "WNASPI32.DLL installed in C:\\windows\\system32"
values=$(registry)
expect_value DisplayName "Orvantica DX Series (32 bit) TWAIN Data Source"
expect_value DisplayVersion "$version"
expect_value Publisher "Tessaly Scanning Equipment"
expect_value UninstallString '"C:\Program Files\Korvex\uninstall.exe"'
expect_value QuietUninstallString '"C:\Program Files\Korvex\uninstall.exe" /S'
expect_value KorvexAspiManager installed
uninstall
[ -z "$(aspi_in_sysdir)" ] || fail "the installed WNASPI32.DLL is left after the uninstall"

echo "== install over the user's ASPI manager"
cp "$users_manager" "$sysdir/wnaspi32.dll"
printf '[Mecha]\r\nName=None\r\n' >"$windir/KORVEX32.INI"
install
expect_manager "$users_manager" "the user's, kept"
expect_log "WNASPI32.DLL already in C:\\windows\\system32: kept"
cmp -s "$built_aspi" "$instdir/WNASPI32.DLL" || fail "no copy of the SPTI manager in $instdir"
uninstall
expect_manager "$users_manager" "the user's, left by the uninstall"
[ -f "$windir/KORVEX32.INI" ] || fail "the uninstall removed KORVEX32.INI"

echo "== install with /REPLACEASPI"
install /REPLACEASPI
expect_manager "$built_aspi" "the SPTI manager, replacing the user's"
cmp -s "$users_manager" "$instdir/aspi-backup/WNASPI32.DLL" || fail "the replaced manager is not saved"
uninstall
expect_manager "$users_manager" "the user's, put back by the uninstall"
[ -f "$windir/KORVEX32.INI" ] || fail "the uninstall removed KORVEX32.INI"
echo "installer: all checks passed"
