#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the native unit tests,
# the Windows tests under Wine, and a short run of each fuzzer. Exits non-zero on any failure.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scripts/install-deps.sh || exit 1
mkdir -p build
ensure_display || exit 1

passed=0 failed=0 broken=0
# run_tier PRESET [TEST_PRESET [NAME [CTEST_ARGS...]]]: builds one preset, runs one test preset.
run_tier() {
  local preset=$1 tests=${2:-$1} name=${3:-${2:-$1}}
  shift $(($# < 3 ? $# : 3))
  local log="build/$tests.test.log"
  echo "== $name: build"
  if ! build_preset "$preset"; then broken=1; echo "== $name: BUILD FAILED"; return; fi
  echo "== $name: test"
  # Into a file, followed live: a pipe could be held open by a background Wine process.
  : >"$log"
  ctest --preset "$tests" "$@" >"$log" 2>&1 &
  local pid=$!
  tail -n +1 --pid=$pid -f "$log"
  wait $pid || true
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then broken=1; echo "== $name: no test summary"; return; fi
  local total fails
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  fails=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  passed=$((passed + total - fails))
  failed=$((failed + fails))
}

run_tier native
if runs_32bit_x86; then
  # The program as it ships, 32-bit, in a 32-bit prefix and, as most people run it, in a 64-bit
  # one, where it runs as on 64-bit Windows.
  run_tier windows windows "windows (32-bit prefix)"
  # (What needs no Wine was checked once already.)
  run_tier windows windows-wow64 "windows (64-bit prefix)" -LE without-wine
else
  echo "== this machine cannot run 32-bit x86 code: the 32-bit Setup.exe is built and checked"
  echo "   without Wine, and the Windows tests run on the same sources built as 64-bit code"
  run_tier windows windows "windows (32-bit build, no Wine)" -L without-wine
  run_tier windows64 windows64 "windows (64-bit build, 64-bit prefix)"
fi
if command -v clang++ >/dev/null; then run_tier fuzz; else echo "== fuzz: skipped (no clang)"; fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$broken" -eq 0 ]
