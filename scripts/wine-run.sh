#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix and passes on its exit code and its
# output. Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs Windows tests like native ones.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_ready

out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# Through files, never a pipe: see wine_ready.
wine "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
