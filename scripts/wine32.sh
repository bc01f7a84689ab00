#!/usr/bin/env bash
# Runs a 32-bit Windows program for real, the way anyone runs one by hand:
#
#   scripts/wine32.sh [--wow64] PROGRAM [ARGS...]
#
# In the project's 32-bit Wine prefix, or with --wow64 in a 64-bit one, where it runs as on
# 64-bit Windows ("Program Files (x86)", the 32-bit view of the registry). Passes back its exit
# code, standard output and standard error; window programs get an X display. Where this
# machine cannot run 32-bit code, the program runs in the emulated x86 machine (scripts/guest.sh:
# built on first use, which takes about 10 minutes; booted for this run unless one is started),
# where the program, the files its arguments name and the current folder are at the same paths
# as here, and what it writes there comes back.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${1:-}" = --wow64 ]; then
  shift
  export MO_WINEARCH=win64 MO_WINEPREFIX="${MO_WINEPREFIX:-$here/../build/wineprefix-wow64}"
fi
[ $# -gt 0 ] || { sed -n '2,13p' "$0" >&2; exit 2; }
. "$here/x86-guest/common.sh"
if ! needs_x86_guest "$1"; then
  # Natively: a display of our own where there is none (lib.sh's helper goes to the checkout).
  dir=$PWD
  . "$here/lib.sh"
  cd "$dir" || exit 1
  ensure_display || exit 1
fi
exec "$here/wine-run.sh" "$@"
