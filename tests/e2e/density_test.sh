#!/usr/bin/env bash
# The wizard and the message dialog at the screen densities people use today (125, 150 and 200
# per cent), each in a prefix of its own whose LogPixels is set before its programs start:
#
#   density_test.sh WIN_WIZARD_TESTS WIN_DIALOG_TESTS E2E_TESTS
#
# The wizard is built in a test program and checked control by control; the real Setup.exe is
# checked from outside; the message dialog at 144. Each run is told the density it should see.
# MO_DENSITIES chooses some of the densities.
set -uo pipefail
wizard_tests=$1 dialog_tests=$2 e2e_tests=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# 32-bit test programs where this machine cannot run them: the whole test in the emulated x86
# machine, whose prefixes have their density copies made when it was built.
. "$here/../../scripts/x86-guest/common.sh"
needs_x86_guest "$e2e_tests" && in_x86_guest bash "$here/density_test.sh" "$@"
# The prefix of this run (the 32-bit or the 64-bit one), with the density set.
export MO_WINEPREFIX="${MO_WINEPREFIX:-$here/../../build/wineprefix}-density"
. "$here/../../scripts/wine-env.sh"
wine_ready

status=0
run() {  # run DPI PROGRAM ARGS...
  local dpi=$1
  shift
  echo "== at $dpi pixels per inch: $(basename "$1") ${*:2}"
  MO_EXPECT_DPI=$dpi "$here/../../scripts/wine-run.sh" "$@" || status=1
}
for dpi in ${MO_DENSITIES:-120 144 192}; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >/dev/null 2>&1 </dev/null
  # The density is read when the server starts: a fresh one for each.
  wineserver -k >/dev/null 2>&1 </dev/null
  wineserver -w >/dev/null 2>&1 </dev/null
  run "$dpi" "$wizard_tests" --gtest_filter='WizardWindow.*'
  run "$dpi" "$e2e_tests" --gtest_filter='Wizard.WindowProperties*:Wizard.EveryControl*:Wizard.SunkenFrame*'
  if [ "$dpi" = 144 ]; then run "$dpi" "$dialog_tests" --gtest_filter='MessageDialogLayout.*'; fi
done
exit $status
