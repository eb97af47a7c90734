#!/usr/bin/env bash
# Pictures of every dialog of KORVEX32.ds, two of each: the real dialog of the
# Windows build, captured under Wine on an Xvfb display, and the Linux
# renderer's drawing from the same template. Fails when the two disagree in
# client size (the renderer uses the dialog base units Windows computes for
# the template's font).
#   scripts/dialog-pictures.sh [OUTPUT_DIRECTORY]    (default build/dialog-pictures)
# writes OUTPUT/wine/<TEMPLATE>.png and OUTPUT/linux/<TEMPLATE>.png.
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-build/dialog-pictures}"
mkdir -p "$out/wine" "$out/linux"
out="$(cd "$out" && pwd)"

cmake --preset host >/dev/null
cmake --build --preset host --target korvex-render-dialogs
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target korvex-dialog-shots

# Wine reaches the Linux file system as drive Z:.
wine_dir="Z:${out//\//\\}\\wine"
bash scripts/wine-session.sh build/win32 cmake/wine-run.sh \
  "$PWD/build/win32/bin/korvex-dialog-shots.exe" "$wine_dir" | tr -d '\r' | grep -v '^==' > "$out/wine-sizes.txt"
for bmp in "$out"/wine/*.bmp; do
  build/host/bin/korvex-render-dialogs --png "$bmp" "${bmp%.bmp}.png"
  rm "$bmp"
done

build/host/bin/korvex-render-dialogs "$out/linux" >/dev/null
build/host/bin/korvex-render-dialogs --client-sizes > "$out/linux-sizes.txt"

if ! diff <(sort "$out/wine-sizes.txt") <(sort "$out/linux-sizes.txt"); then
  echo "client sizes differ: < Wine, > Linux renderer" >&2
  exit 1
fi
echo "$(wc -l < "$out/linux-sizes.txt") dialogs in $out/wine and $out/linux, client sizes equal"
