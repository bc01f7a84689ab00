#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the native unit tests,
# the Windows tests under Wine, and a short run of each fuzzer. Exits non-zero on any failure.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scripts/install-deps.sh || exit 1
mkdir -p build
ensure_display || exit 1

passed=0 failed=0 broken=0
# run_tier PRESET TEST_PRESET NAME [CTEST_ARGS...]: builds one preset (only the targets named in
# $targets, when set) and runs one test preset.
run_tier() {
  local preset=$1 tests=$2 name=$3
  shift 3
  local log="build/$tests.test.log"
  echo "== $name: build"
  # shellcheck disable=SC2086
  if ! build_preset "$preset" ${targets:-}; then broken=1; echo "== $name: BUILD FAILED"; return; fi
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

if runs_32bit_x86; then
  run_tier native native native
  # The program as it ships, 32-bit, in a 32-bit prefix and, as most people run it, in a 64-bit
  # one, where it runs as on 64-bit Windows. (What needs no Wine is checked once.)
  run_tier windows windows "windows (32-bit prefix)"
  run_tier windows windows-wow64 "windows (64-bit prefix)" -LE without-wine
else
  echo "== this machine cannot run 32-bit x86 code: every Windows test runs on the same sources"
  echo "   built as 64-bit code, and the shipped 32-bit programs' own cases in an emulated x86"
  echo "   machine (built in the background meanwhile, the first time: about 10 minutes)"
  guest_log=build/x86-guest.build.log
  scripts/guest.sh build >"$guest_log" 2>&1 &
  guest_build=$!
  run_tier native native native
  run_tier windows64 windows64 "windows (64-bit build, 64-bit prefix)" -LE without-wine
  # The 32-bit programs that ship, and what drives them: their release checks need no Wine.
  shipped_targets="Setup setupdat Mo e2e_tests started_probe win_wizard_tests win_dialog_tests"
  targets=$shipped_targets run_tier windows windows "windows (32-bit build, no Wine)" \
    -L without-wine
  echo "== the emulated x86 machine"
  tail -n +1 --pid=$guest_build -f "$guest_log"   # what its build did, and still does
  if wait $guest_build && scripts/guest.sh start; then
    trap 'scripts/guest.sh stop; kill $MO_XVFB_PID 2>/dev/null' EXIT
    targets=$shipped_targets run_tier windows shipped \
      "the shipped 32-bit program (32-bit prefix, emulated x86)"
    targets=$shipped_targets run_tier windows shipped-wow64 \
      "the shipped 32-bit program (64-bit prefix, emulated x86)"
    scripts/guest.sh stop
  else
    broken=1
    echo "== the emulated x86 machine could not be built or booted (above): the shipped 32-bit"
    echo "   programs were not run"
  fi
fi
if command -v clang++ >/dev/null; then run_tier fuzz fuzz fuzz; else echo "== fuzz: skipped (no clang)"; fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$broken" -eq 0 ]
