#!/usr/bin/env bash
# Builds Setup.exe and setupdat.exe a second time, from a copy of the sources in another folder
# into another build folder, and compares them byte for byte with the given builds. Exits 1 when
# they differ.
#
#   scripts/check-reproducible.sh BUILT_SETUP_EXE BUILT_SETUPDAT_EXE [TOOLCHAIN_FILE]
#
# The toolchain is the one the given builds were made with (by default the 32-bit one).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
setup=$(realpath "$1")
setupdat=$(realpath "$2")
toolchain=$(basename "${3:-mingw-i686.cmake}")

again=$(mktemp -d "$repo_root/build/reproduce.XXXXXX")
trap 'rm -rf "$again"' EXIT
# The sources as they are in this work tree, without anything built or made from them.
mkdir "$again/src"
tar -C "$repo_root" --exclude=./build --exclude=./dist --exclude=./out --exclude=./.git -cf - . |
  tar -C "$again/src" -xf -
cmake -S "$again/src" -B "$again/build" -G Ninja --toolchain "$again/src/cmake/$toolchain" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DMO_TESTS=OFF >"$again/configure.log" 2>&1 ||
  { cat "$again/configure.log"; exit 1; }
cmake --build "$again/build" --target Setup setupdat >"$again/build.log" 2>&1 ||
  { cat "$again/build.log"; exit 1; }

status=0
for pair in "$setup:$again/build/src/Setup.exe" "$setupdat:$again/build/tools/setupdat/setupdat.exe"; do
  first=${pair%%:*} second=${pair#*:}
  if cmp -s "$first" "$second"; then
    echo "same bytes: $(basename "$first") $(sha256sum <"$first" | cut -c1-64)"
  else
    echo "DIFFERENT: $first and $second"
    cmp -l "$first" "$second" | head -n 5
    status=1
  fi
done
exit $status
