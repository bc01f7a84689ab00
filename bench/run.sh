#!/usr/bin/env bash
# The installation benchmark: installs synthetic products (a few large files; 20,000 small ones)
# with the real installation run and copies the same trees file by file, both under the same
# Wine on this machine, and prints how many times longer the installation takes than the copy.
# It also prints the size of Setup.exe.
#
#   bench/run.sh [ROUNDS] [PAUSE_SECONDS]      (default: 3 rounds, no pause)
#
# These machines are noisy: read the ratios, not the times. Steps alternate within a round and
# every step writes into a folder of its own, so no step creates files just after thousands were
# deleted (a file system then reuses freed inodes only after minutes, and creation crawls).
# Between runs, or with a PAUSE between rounds, give it several minutes.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
rounds=${1:-3}
pause=${2:-0}

scripts/install-deps.sh >/dev/null
mkdir -p build
build_preset native >/dev/null
build_preset windows >/dev/null

work=$repo_root/build/bench
python3 bench/make_products.py "$work/trees"
products=(large small)
for p in "${products[@]}"; do
  build/native/tools/setupdat/setupdat pack "$work/trees/$p" -o "$work/dist/$p" \
    --product "MoBench $p" --settings-key "Software\\MoBench\\$p" \
    --date "2026-12-01 09:00:00" >/dev/null
done

export MO_WINEPREFIX=$work/wineprefix
. scripts/wine-env.sh
wine_ready
dest=$WINEPREFIX/drive_c/bench
rm -rf "$dest"
mkdir -p "$dest"
windows_path() { echo "Z:$(realpath "$1")" | tr / '\\'; }
bench_exe=build/windows/bench/install_bench.exe

# step KIND PRODUCT ROUND: one timed step; appends "kind product ms KiB" to the results.
results=$work/results.txt
: >"$results"
step() {
  local from
  if [ "$1" = copy ]; then from=$(windows_path "$work/trees/$2"); else from=$(windows_path "$work/dist/$2"); fi
  local line
  line=$(scripts/wine-run.sh "$bench_exe" "$1" "$from" "C:\\bench\\$1-$2-$3") || {
    echo "$1 of $2 failed: $line" >&2
    exit 1
  }
  echo "  round $3 $2: $line"
  # "copy 123.4 ms 320 items 5120 KiB"
  echo "$1 $2 $(echo "$line" | awk '{print $2, $6}')" >>"$results"
}

for round in $(seq "$rounds"); do
  echo "round $round of $rounds"
  for p in "${products[@]}"; do
    if [ $((round % 2)) -eq 1 ]; then
      step copy "$p" "$round"; step install "$p" "$round"
    else
      step install "$p" "$round"; step copy "$p" "$round"
    fi
  done
  [ "$round" -lt "$rounds" ] && [ "$pause" -gt 0 ] && sleep "$pause"
done
rm -rf "$dest"

echo
python3 - "$results" <<'EOF'
import statistics, sys
times, peaks = {}, {}
for line in open(sys.argv[1]):
    kind, product, ms, kib = line.split()
    times.setdefault((kind, product), []).append(float(ms))
    peaks[(kind, product)] = max(peaks.get((kind, product), 0), int(kib))
print(f"{'product':<8} {'copy ms':>10} {'install ms':>11} {'ratio':>6} {'install peak KiB':>17}")
for product in ("large", "small"):
    copy = statistics.median(times[("copy", product)])
    install = statistics.median(times[("install", product)])
    print(f"{product:<8} {copy:>10.0f} {install:>11.0f} {install / copy:>6.2f} "
          f"{peaks[('install', product)]:>17}")
EOF
echo "Setup.exe: $(stat -c %s build/windows/src/Setup.exe) bytes"
