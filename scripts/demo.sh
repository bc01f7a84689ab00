#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, packs the sample product into
# dist/ beside Setup.exe (Setup.dat and the companion files), lists what was packed, and starts
# the wizard under Wine: in a window where there is a display, otherwise under Xvfb, leaving a
# screenshot in out/wizard.png.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scripts/install-deps.sh
mkdir -p build out
build_preset native
build_preset windows
# Where this machine cannot run 32-bit programs, the demo shows the same program built as
# 64-bit code, in a 64-bit prefix.
windows=windows
if ! runs_32bit_x86; then
  echo "This machine cannot run 32-bit x86 code: the demo runs the 64-bit build of Setup.exe"
  build_preset windows64
  windows=windows64
  export MO_WINEARCH=win64 MO_WINEPREFIX="$repo_root/build/wineprefix64"
fi

# The product tree as shipped: the sample content plus the freshly built Mo.exe.
stage=build/stage/product
rm -rf build/stage dist
mkdir -p "$stage"
cp -r sample/product/. "$stage"/
cp build/$windows/sample/mo/Mo.exe "$stage"/

setupdat=build/native/tools/setupdat/setupdat
"$setupdat" pack "$stage" -o dist \
  --product "Marbelo Orbit 2.0" --settings-key 'Software\Marbelo\Orbit\2.0' \
  --date "2026-12-01 09:00:00" \
  --companion sample/companions/Tile.bmp --companion sample/companions/Click.wav
cp build/$windows/src/Setup.exe dist/
"$setupdat" list dist/Setup.dat
echo
ls -l dist

. scripts/wine-env.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  wine_ready
  echo "Starting the wizard on $DISPLAY"
  wine dist/Setup.exe >build/demo-wine.log 2>&1 </dev/null
  exit 0
fi

ensure_display
wine_ready
wine dist/Setup.exe >build/demo-wine.log 2>&1 </dev/null &
setup_pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Marbelo Orbit Setup$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
sleep 1  # let it paint
if [ -n "$window" ]; then
  import -window "$window" out/wizard.png
  echo "No display: the wizard ran under Xvfb; its first page is in out/wizard.png"
else
  echo "the wizard's window did not appear; see build/demo-wine.log" >&2
fi
kill "$setup_pid" 2>/dev/null || true
wait "$setup_pid" 2>/dev/null || true
[ -n "$window" ]
