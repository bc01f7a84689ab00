#!/usr/bin/env bash
# setupdat as its users get it: `cmake --install` into a temporary prefix (the program runs, its
# man page is there), and the Debian package CPack makes (its name, fields and file list).
# Usage: install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" \
  || { cat "$work/install.log"; fail "cmake --install"; }
[ "$("$work/prefix/bin/setupdat" --version)" = "setupdat $version" ] \
  || fail "the installed setupdat --version"
zcat "$work/prefix/share/man/man1/setupdat.1.gz" >"$work/man" || fail "no man page"
grep -q '^\.TH SETUPDAT "1"' "$work/man" || fail "the man page has no title line"
grep -q '^\.SS extract' "$work/man" || fail "the man page does not describe extract"

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/pkg/setupdat_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/pkg")"
[ "$(dpkg-deb -f "$deb" Package Version)" = "Package: setupdat
Version: $version" ] || fail "package fields: $(dpkg-deb -f "$deb" Package Version)"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "the package depends on no libc6"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' >"$work/files"
printf '%s\n' ./usr/bin/setupdat ./usr/share/man/man1/setupdat.1.gz | diff - "$work/files" \
  || fail "the package's files differ (above)"
echo "installed and packaged: $(basename "$deb")"
