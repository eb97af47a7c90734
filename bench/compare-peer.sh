#!/usr/bin/env bash
# Per-page cost of korvex_peer_scan (the source through the Linux source
# manager, native or memory transfer, the virtual scanner serving a page drawn
# once)
# against scanimage with SANE's test backend, both writing PNM files into a
# temporary directory, in the same run on the same machine. Each tool scans a
# batch of 1 and of PAGES pages, REPEAT times; the per-page cost is the
# difference of the medians divided by PAGES - 1, so start-up drops out.
#
#   bench/compare-peer.sh [PAGES] [REPEAT]      (defaults 21 and 5)
set -euo pipefail

PAGES=${1:-21}
REPEAT=${2:-5}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=$ROOT/build/host/bin

if ! command -v scanimage >/dev/null || ! dpkg -s libsane1 >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends sane-utils libsane1
fi
if [ ! -x "$BIN/korvex_peer_scan" ]; then
    (cd "$ROOT" && cmake --preset host >/dev/null && cmake --build --preset host --target korvex_peer_scan -j2)
fi

WORK=$(mktemp -d /tmp/korvex-peer-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/win" "$WORK/out"
# One scanner with PAGES + 1 B6 sheets, each page drawn once and copied.
HOPPER=$(printf 'B6,%.0s' $(seq 1 $((PAGES + 1))))
cat >"$WORK/win/vscanner.ini" <<EOF
[Device1]
Model=ZR-DX961s
Hopper=${HOPPER%,}
RepeatPages=ON
EOF
# The page size comes from the settings file: B6 (1536 x 2150 pixels at 300 dpi).
cat >"$WORK/win/KORVEX32.INI" <<EOF
[Inifile]
Name=KORVEX32.INI
Scanner=ZR-DX961s
[Image]
Paper Size=B6
EOF

# CPU seconds (user + system) and wall seconds of one command, as "cpu wall".
measure() {
    local TIMEFORMAT='%U %S %R' times
    times=$({ time "$@" >/dev/null 2>"$WORK/stderr"; } 2>&1) || { cat "$WORK/stderr" >&2; exit 1; }
    rm -f "$WORK"/out/*
    awk '{ printf "%.4f %.4f\n", $1 + $2, $3 }' <<<"$times"
}

# The median of REPEAT runs of a command, for CPU and for wall time.
median_of() {
    local runs
    runs=$(for _ in $(seq "$REPEAT"); do measure "$@"; done)
    local middle=$(((REPEAT + 1) / 2))
    echo "$(cut -d' ' -f1 <<<"$runs" | sort -g | sed -n "${middle}p")" \
         "$(cut -d' ' -f2 <<<"$runs" | sort -g | sed -n "${middle}p")"
}

korvex_native() {  # MODE PAGES
    KORVEX_WINDIR="$WORK/win" "$BIN/korvex_peer_scan" native "$1" 300 "$2" "$WORK/out/k%d.pnm"
}
korvex_memory() {  # MODE PAGES
    KORVEX_WINDIR="$WORK/win" "$BIN/korvex_peer_scan" memory "$1" 300 "$2" "$WORK/out/k%d.pnm"
}
sane() {  # MODE PAGES
    local depth=8
    [ "$1" = bw ] && depth=1
    scanimage -d test --mode Gray --depth $depth --resolution 300 -l 0 -t 0 -x 130 -y 182 \
        --format=pnm --batch="$WORK/out/s%d.pnm" --batch-count="$2"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-5s %-14s %12s %13s %10s %11s\n' mode tool cpu_ms/page wall_ms/page cpu/sane wall/sane
for mode in bw gray; do
    results=()
    for tool in sane korvex_native korvex_memory; do
        read -r c1 w1 < <(median_of $tool $mode 1)
        read -r cn wn < <(median_of $tool $mode "$PAGES")
        results+=("$tool $(awk -v a="$c1" -v b="$cn" -v c="$w1" -v d="$wn" -v n="$PAGES" \
            'BEGIN { printf "%.3f %.3f", (b - a) * 1000 / (n - 1), (d - c) * 1000 / (n - 1) }')")
    done
    printf '%s\n' "${results[@]}" | awk -v m=$mode '
        NR == 1 { sc = $2; sw = $3 }
        { printf "%-5s %-14s %12.3f %13.3f %10.2f %11.2f\n", m, $1, $2, $3,
                 (sc > 0 ? $2 / sc : 0), (sw > 0 ? $3 / sw : 0) }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
