#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the native unit tests,
# the Windows tests under Wine, and a short run of each fuzzer. Exits non-zero on any failure.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scripts/install-deps.sh || exit 1
mkdir -p build
ensure_display || exit 1

passed=0 failed=0 broken=0
run_tier() {
  local preset=$1 log="build/$1.test.log"
  echo "== $preset: build"
  if ! build_preset "$preset"; then broken=1; echo "== $preset: BUILD FAILED"; return; fi
  echo "== $preset: test"
  # Into a file, followed live: a pipe could be held open by a background Wine process.
  : >"$log"
  ctest --preset "$preset" >"$log" 2>&1 &
  local pid=$!
  tail -n +1 --pid=$pid -f "$log"
  wait $pid || true
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then broken=1; echo "== $preset: no test summary"; return; fi
  local total fails
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  fails=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  passed=$((passed + total - fails))
  failed=$((failed + fails))
}

run_tier native
run_tier windows
if command -v clang++ >/dev/null; then run_tier fuzz; else echo "== fuzz: skipped (no clang)"; fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$broken" -eq 0 ]
