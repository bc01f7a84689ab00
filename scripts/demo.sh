#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, packs the sample product into
# dist/ (Setup.dat and the companion files) and lists what was packed.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scripts/install-deps.sh
mkdir -p build
build_preset native
build_preset windows

# The product tree as shipped: the sample content plus the freshly built Mo.exe.
stage=build/stage/product
rm -rf build/stage dist
mkdir -p "$stage"
cp -r sample/product/. "$stage"/
cp build/windows/sample/mo/Mo.exe "$stage"/

build/native/tools/setupdat/setupdat pack "$stage" -o dist \
  --product "Marbelo Orbit 2.0" --settings-key 'Software\Marbelo\Orbit\2.0' \
  --date "2026-12-01 09:00:00" \
  --companion sample/companions/Tile.bmp --companion sample/companions/Click.wav
build/native/tools/setupdat/setupdat list dist/Setup.dat
