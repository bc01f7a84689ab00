#!/usr/bin/env bash
# The sample product as it ships (its tree and Mo.exe, its two companions), packed by the
# Windows build of the tool under Wine into OUT/dist, and by the Linux tool into OUT/linux:
# the two must be the same bytes. OUT/product is the tree the installation is checked against.
#
#   pack_sample.sh SETUPDAT_EXE MO_EXE OUT
set -euo pipefail
exe=$1 mo=$2 out=$3
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
native=${MO_NATIVE_SETUPDAT:-$repo/build/native/tools/setupdat/setupdat}
if [ ! -x "$native" ]; then
  (cd "$repo" && { [ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null; } &&
    cmake --build --preset native --target setupdat >/dev/null)
fi
rm -rf "$out"
mkdir -p "$out/product" "$out/companions"
cp -r "$repo/sample/product/." "$out/product/"
cp "$mo" "$out/product/"
cp "$repo/sample/companions/Tile.bmp" "$repo/sample/companions/Click.wav" "$out/companions/"
cd "$out"
# Relative paths: the same command line whatever drive Wine maps the folder to.
args=(--product "Marbelo Orbit 2.0" --settings-key 'Software\Marbelo\Orbit\2.0'
  --date "2024-01-15 10:30:00" --companion companions/Tile.bmp --companion companions/Click.wav)
"$repo/scripts/wine-run.sh" "$exe" pack product -o dist "${args[@]}"
"$native" pack product -o linux "${args[@]}" >/dev/null
for f in Setup.dat Tile.bmp Click.wav; do cmp "dist/$f" "linux/$f"; done
echo "the Windows tool packed the sample into the same bytes as the Linux tool"
