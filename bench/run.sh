#!/usr/bin/env bash
# The benchmark of what a user waits for: the real Setup.exe through its wizard and the real
# Uninst.exe, beside a silent store-mode NSIS installer and uninstaller of the same tree, Wine's
# xcopy of the tree, and the installation run without its window (install_bench), all under one
# Wine prefix of the benchmark's own, for synthetic products. Prints the medians, the ratios, the
# peak working set of Setup.exe for each product and the sample product, and Setup.exe's size.
#
#   bench/run.sh [ROUNDS] [PAUSE_SECONDS] [PRODUCT]...
#     ROUNDS     default 3
#     PAUSE      seconds between rounds, default 300 (see below)
#     PRODUCT    large (64 x 4 MiB), small (20,000 x 1 KiB), limit (65,535 items),
#                huge (one file of 2 GiB - 1 byte; opt-in: it needs about 8 GiB of free disk)
#                default: large small limit
#
# These machines are noisy: read the ratios, measured side by side, not the times. The steps
# compared take turns at going first from round to round. Two traps of this disk are avoided:
# every step writes into a folder of its own, created by it, and creating thousands of files within
# minutes of deleting thousands crawls (freed inodes come back only after one to six minutes),
# so each round first creates (installs, copies), then deletes (uninstalls), and the next round
# waits PAUSE seconds; and idle page cache is evicted after about a minute, so every step reads
# its input just before it starts.
#
# Which build: where this machine runs 32-bit x86 code, the 32-bit Setup.exe as it ships
# (build/windows) in a 32-bit prefix (build/bench/wineprefix) beside NSIS's default installers,
# 32-bit ones. Where it cannot (a kernel without 32-bit execution), the 64-bit build of the same
# program (build/windows64) in a 64-bit prefix (build/bench/wineprefix64) beside NSIS's 64-bit
# installers (amd64-unicode) and the prefix's 64-bit xcopy: every program timed runs natively,
# never through an emulator, which would time the emulator. The output says which it measured.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
rounds=${1:-3}
pause=${2:-300}
shift $(($# > 2 ? 2 : $#))
products=("$@")
[ ${#products[@]} -gt 0 ] || products=(large small limit)

scripts/install-deps.sh >/dev/null
if ! command -v makensis >/dev/null; then  # the peer installer, for the benchmark only
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq --no-install-recommends nsis >/dev/null
fi
work=$repo_root/build/bench
mkdir -p build
if runs_32bit_x86; then
  bits=32 build=build/windows nsis_target="" nsis_dir=$work/nsis
  export MO_WINEPREFIX=$work/wineprefix
  build_preset native >/dev/null
  build_preset windows >/dev/null
else
  # Debian's nsis-common ships NSIS's 64-bit stubs beside the 32-bit ones; store mode still
  # takes the stub of the default compressor.
  if ! ls /usr/share/nsis/Stubs/zlib-amd64-unicode >/dev/null 2>&1; then
    echo "bench/run.sh: no 64-bit NSIS stubs in /usr/share/nsis/Stubs (package nsis-common)" >&2
    exit 1
  fi
  bits=64 build=build/windows64 nsis_target=amd64-unicode nsis_dir=$work/nsis-amd64-unicode
  export MO_WINEARCH=win64 MO_WINEPREFIX=$work/wineprefix64
  # The folder of the 64-bit build serves the tests too: only what the benchmark runs.
  build_preset native setupdat >/dev/null
  build_preset windows64 Setup Mo bench_drive install_bench >/dev/null
fi
measured="$bits-bit build ($build), $bits-bit prefix (${MO_WINEPREFIX#"$repo_root"/}),"
measured+=" NSIS ${nsis_target:-x86-ansi}"
[ "$bits" = 32 ] || echo -n "this machine cannot run 32-bit x86 code; "
echo "measuring: $measured"
ensure_display

setupdat=build/native/tools/setupdat/setupdat
drive=$build/bench/bench_drive.exe
bench_exe=$build/bench/install_bench.exe
date_text="2026-12-01 09:00:00"
python3 bench/make_products.py ${nsis_target:+--nsis-target "$nsis_target"} "$work" "${products[@]}"

# native FILE: in the 64-bit set-up, stops the benchmark unless FILE is a 64-bit x86 program.
# Wine would hand a 32-bit one to its 32-bit loader, which here runs through an emulator when
# one is registered for it (or not at all): a time taken so is not the program's.
native() {
  [ "$bits" = 64 ] || return 0
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  if [ -z "$at" ] || [ "$(od -An -tx1 -j"$at" -N6 "$1" | tr -d ' \n')" != 504500006486 ]; then
    echo "bench/run.sh: $1 is not a 64-bit x86 program; it would not run natively here" >&2
    exit 1
  fi
}
for program in "$drive" "$bench_exe" "$build/src/Setup.exe"; do native "$program"; done

# Setup.exe with each product's Setup.dat beside it, and the NSIS installer of the same tree.
for p in "${products[@]}"; do
  "$setupdat" pack "$work/trees/$p" -o "$work/dist/$p" --product "MoBench $p" \
    --settings-key "Software\\MoBench\\$p" --date "$date_text" >/dev/null
  cp "$build/src/Setup.exe" "$work/dist/$p/"
  if [ ! -f "$nsis_dir/$p.exe" ] || [ "$nsis_dir/$p.nsi" -nt "$nsis_dir/$p.exe" ]; then
    # NSIS cannot hold 2 GiB of data (its makensis fails or crashes): that product goes
    # without it, and its NSIS columns stay empty.
    if ! bash -c 'makensis -V1 "$1" >"$2" 2>&1' _ "$nsis_dir/$p.nsi" "$nsis_dir/$p.log" 2>/dev/null; then
      rm -f "$nsis_dir/$p.exe"
      echo "$p: no NSIS installer (see $nsis_dir/$p.log)"
    fi
  fi
  [ ! -f "$nsis_dir/$p.exe" ] || native "$nsis_dir/$p.exe"
done
# The sample product, for the wizard's memory on an ordinary product.
rm -rf "$work/dist/sample" "$work/sample"
mkdir -p "$work/sample"
cp -r sample/product/. "$work/sample/"
cp "$build/sample/mo/Mo.exe" "$work/sample/"
"$setupdat" pack "$work/sample" -o "$work/dist/sample" --product "MoBench sample" \
  --settings-key 'Software\MoBench\sample' --date "$date_text" \
  --companion sample/companions/Tile.bmp --companion sample/companions/Click.wav >/dev/null
cp "$build/src/Setup.exe" "$work/dist/sample/"

. scripts/wine-env.sh
wine_ready
native "$WINEPREFIX/drive_c/windows/system32/xcopy.exe"
out=$WINEPREFIX/drive_c/bench
if [ -d "$out" ]; then  # left by a run that was stopped: its deletion is a mass delete too
  rm -rf "$out"
  echo "removed the outputs of an earlier run; waiting $pause s"
  sleep "$pause"
fi
mkdir -p "$out"
win() { echo "Z:$(realpath "$1")" | tr / '\\'; }
# Reads files (or whole trees) so that the step after it finds them in the page cache, and
# writes out what earlier steps left to write, so that no step pays for another's writing.
warm() {
  find "$@" -type f -exec cat {} + >/dev/null
  sync
}
results=$work/results.txt
: >"$results"

# record PRODUCT STEP LINE: "STEP MS ms ..." lines of the step programs into the results.
record() {
  local line=${3//$'\r'/}
  set -- "$1" "$2" "${line##*$'\n'}"  # the step's own line is the last: xcopy talks too
  echo "    $1 $3"
  awk -v p="$1" -v s="$2" '{ printf "%s %s %s", p, s, $2; for (i = 3; i <= NF; i++) if ($i == "KiB") printf " %s", $(i - 1); print "" }' \
    <<<"$3" >>"$results"
}
# fails PRODUCT STEP LINE: a step that did not do all it should stops the benchmark.
fails() { echo "$2 of $1 failed: $3" >&2; exit 1; }

# The installed tree must be the product's, byte for byte, every file with the product's date.
verify() {
  python3 - "$work/trees/$1" "$2" "$date_text" <<'EOF' || fails "$1" verify "$2"
import filecmp, os, sys, time
tree, dest, stamp = sys.argv[1:]
want = time.mktime(time.strptime(stamp, "%Y-%m-%d %H:%M:%S"))
count = 0
for folder, _, files in os.walk(tree):
    for name in files:
        source = os.path.join(folder, name)
        target = os.path.join(dest, os.path.relpath(source, tree))
        if not filecmp.cmp(source, target, shallow=False):
            sys.exit(f"{target} differs")
        if os.stat(target).st_mtime != want:
            sys.exit(f"{target} has the wrong date")
        count += 1
print(f"    verified {count} files: bytes and dates")
EOF
}

wizard() {  # PRODUCT ROUND
  local dest=$out/wizard-$1-$2 line
  warm "$work/dist/$1"
  line=$(scripts/wine-run.sh "$drive" wizard "$(win "$work/dist/$1")" "C:\\bench\\wizard-$1-$2") ||
    fails "$1" wizard "$line"
  record "$1" wizard "$line"
  [ "$1" = sample ] || verify "$1" "$dest"
}
nsis() {
  local line
  [ -f "$nsis_dir/$1.exe" ] || return 0
  warm "$nsis_dir/$1.exe"
  line=$(scripts/wine-run.sh "$drive" run "$(win "$nsis_dir/$1.exe")" /S "/D=C:\\bench\\nsis-$1-$2") ||
    fails "$1" nsis "$line"
  record "$1" nsis "$line"
}
xcopy() {
  local line
  warm "$work/trees/$1"
  line=$(scripts/wine-run.sh "$drive" run 'C:\windows\system32\xcopy.exe' \
    "$(win "$work/trees/$1")" "C:\\bench\\xcopy-$1-$2" /E /I /Q /Y) || fails "$1" xcopy "$line"
  record "$1" xcopy "$line"
}
no_window() {
  local line
  warm "$work/dist/$1"
  line=$(scripts/wine-run.sh "$bench_exe" install "$(win "$work/dist/$1")" "C:\\bench\\bench-$1-$2") ||
    fails "$1" no-window "$line"
  record "$1" no-window "$line"
}
uninstall() {
  local line
  native "$out/wizard-$1-$2/Uninst.exe"
  warm "$out/wizard-$1-$2/Uninst.dat"
  find "$out/wizard-$1-$2" >/dev/null
  line=$(scripts/wine-run.sh "$drive" uninstall "C:\\bench\\wizard-$1-$2") || fails "$1" uninstall "$line"
  record "$1" uninstall "$line"
}
nsis_uninstall() {
  local line
  [ -f "$nsis_dir/$1.exe" ] || return 0
  native "$out/nsis-$1-$2/uninst.exe"
  warm "$out/nsis-$1-$2/uninst.exe"
  find "$out/nsis-$1-$2" >/dev/null
  # _?= runs the uninstaller in place and waits for it, instead of from a copy in the temporary
  # folder that outlives the process started; the uninstaller itself stays, as it must then.
  line=$(scripts/wine-run.sh "$drive" run "$(win "$out/nsis-$1-$2/uninst.exe")" /S "_?=C:\\bench\\nsis-$1-$2") ||
    fails "$1" nsis-uninstall "$line"
  record "$1" nsis-uninstall "$line"
  [ -z "$(find "$out/nsis-$1-$2" -mindepth 1 ! -name uninst.exe)" ] || fails "$1" nsis-uninstall "left files behind"
}

for round in $(seq "$rounds"); do
  echo "round $round of $rounds"
  wizard sample "$round"
  uninstall sample "$round"
  for p in "${products[@]}"; do
    echo "  $p"
    # Each round starts one step later in the list: every step takes each place in turn.
    creators=(wizard nsis xcopy no_window)
    shift_by=$(((round - 1) % 4))
    creators=("${creators[@]:shift_by}" "${creators[@]:0:shift_by}")
    for step in "${creators[@]}"; do
      "$step" "$p" "$round"
      # The 2 GiB product is one file: deleting it at once costs nothing later, and saves disk.
      if [ "$p" = huge ]; then
        case $step in
          wizard) uninstall "$p" "$round" ;;
          nsis) nsis_uninstall "$p" "$round" ;;
          *) rm -rf "$out"/*-huge-* ;;
        esac
      fi
    done
  done
  for p in "${products[@]}"; do
    [ "$p" = huge ] && continue
    echo "  $p: uninstall"
    if [ $((round % 2)) -eq 1 ]; then
      uninstall "$p" "$round"; nsis_uninstall "$p" "$round"
    else
      nsis_uninstall "$p" "$round"; uninstall "$p" "$round"
    fi
  done
  rm -rf "${out:?}"/*
  [ "$round" -lt "$rounds" ] && [ "$pause" -gt 0 ] && { echo "  waiting $pause s"; sleep "$pause"; }
done
rmdir "$out"

echo
python3 bench/report.py --measured "$measured" "$results" "${products[@]}"
echo "Setup.exe ($bits-bit): $(stat -c %s "$build/src/Setup.exe") bytes"
