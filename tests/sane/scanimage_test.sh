#!/bin/sh
# scanimage, SANE's own command-line client, with the built backend: SANE's
# dll backend finds dll.conf and korvex.conf through SANE_CONFIG_DIR and
# libsane-korvex.so.1 through LD_LIBRARY_PATH.
#
#   scanimage_test.sh CASE BIN_DIR
#
# CASE: list (scanimage -L), options (scanimage -A), batch (duplex batches at
# two resolutions in both modes, pixel for pixel equal to korvex-scan's pages
# of the same scenario), jam (a jam ends the batch after the pages before it).
set -eu

case_name=$1
bin=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-scanimage-XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A sandbox: the Windows directory and SANE's configuration with a scenario.
sandbox() {
    mkdir -p "$work/windows" "$work/windows-scan" "$work/config" "$work/out"
    printf 'korvex\n' >"$work/config/dll.conf"
    printf 'source-dir %s\nscenario %s\n' "$bin" "$1" >"$work/config/korvex.conf"
    export KORVEX_WINDIR="$work/windows" SANE_CONFIG_DIR="$work/config"
    export LD_LIBRARY_PATH="$bin/sane${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
}

case $case_name in
list)
    sandbox duplex-a4
    scanimage -L >"$work/list" 2>"$work/log" || fail "scanimage -L: $(cat "$work/log")"
    grep -qx "device \`korvex:aspi:1:5' is a T.S.E. ZR-DX961 sheetfed scanner" "$work/list" ||
        fail "scanimage -L listed: $(cat "$work/list")"
    ;;
options)
    sandbox duplex-a4
    scanimage -d korvex -A >"$work/options" 2>"$work/log" || fail "scanimage -A: $(cat "$work/log")"
    for line in '--mode Lineart|Gray [Gray]' '--depth 8|4bit [8]' \
        '--resolution 100|150|200|240|300|360|400dpi [300]' '--source ADF Front|ADF Duplex [ADF Front]' \
        '--brightness -100..100% (in steps of 1) [0]' '--contrast -100..100% (in steps of 1) [0]' \
        '--page-width 55.1..297mm' '--page-height 70.1..431mm' '-l 0..' '-t 0..' '-x 0..' '-y 0..'; do
        grep -qF -- "$line" "$work/options" || fail "scanimage -A lacks \"$line\": $(cat "$work/options")"
    done
    ;;
batch)
    for setting in "100 Gray gray" "100 Lineart bw" "150 Gray gray" "150 Lineart bw"; do
        set -- $setting
        rm -rf "$work"/*
        sandbox duplex-a4
        (cd "$work/out" && scanimage -d korvex --source 'ADF Duplex' --resolution "$1" --mode "$2" \
            --page-width 210 --page-height 297 --format=pnm --batch=side%d.pnm) >"$work/log" 2>&1 ||
            fail "scanimage --batch at $1 dpi, $2: $(cat "$work/log")"
        KORVEX_WINDIR="$work/windows-scan" "$bin/korvex-scan" --scenario duplex-a4 -o "$work/scan" --duplex \
            --paper a4 --resolution "$1" --pixel-type "$3" --format png >"$work/log" 2>&1 ||
            fail "korvex-scan at $1 dpi, $3: $(cat "$work/log")"
        [ -f "$work/out/side10.pnm" ] && [ ! -f "$work/out/side11.pnm" ] || fail "$1 dpi, $2: not ten sides"
        for side in 1 2 3 4 5 6 7 8 9 10; do
            sheet=$(printf '%04d' $(((side + 1) / 2)))
            face=front
            [ $((side % 2)) -eq 0 ] && face=back
            pngtopnm "$work/scan/scan-$sheet-$face.png" | pamtopnm >"$work/expected.pnm"
            pamtopnm "$work/out/side$side.pnm" >"$work/got.pnm"
            cmp -s "$work/expected.pnm" "$work/got.pnm" || fail "$1 dpi, $2: side $side differs from korvex-scan's"
        done
    done
    ;;
jam)
    sandbox jam
    status=0
    (cd "$work/out" && scanimage -d korvex --source 'ADF Duplex' --resolution 100 --mode Lineart \
        --batch=side%d.pnm) >"$work/log" 2>&1 || status=$?
    [ "$status" -eq 6 ] || fail "scanimage exited with $status, not 6 (SANE_STATUS_JAMMED): $(cat "$work/log")"
    grep -q 'Document feeder jammed' "$work/log" || fail "no jam reported: $(cat "$work/log")"
    grep -q '^korvex: Scanner Message: Jam ocuured' "$work/log" || fail "no log line: $(cat "$work/log")"
    [ -s "$work/out/side1.pnm" ] && [ -s "$work/out/side2.pnm" ] && [ ! -e "$work/out/side3.pnm" ] ||
        fail "the pages before the jam: $(ls "$work/out")"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
