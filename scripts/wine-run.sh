#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix and passes on its exit code and its
# output. Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs Windows tests like native ones.
# A 32-bit program on a machine that cannot run 32-bit code runs in the emulated x86 machine,
# in its prefix of the same kind (MO_WINEARCH).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/x86-guest/common.sh"
needs_x86_guest "$1" && in_x86_guest "$here/wine-run.sh" "$@"
. "$here/wine-env.sh"
wine_ready

out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# Through files, never a pipe: see wine_ready.
wine "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
