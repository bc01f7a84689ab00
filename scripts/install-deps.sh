#!/usr/bin/env bash
# Installs everything the build and the three test tiers need on Debian 12.
# Safe to run again: it installs only what is missing. Needs root, or sudo.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool x11-utils imagemagick
  clang libclang-rt-14-dev python3
  libcli11-dev nlohmann-json3-dev help2man dpkg-dev
  osslsigncode openssl
  # The emulated x86 machine, for machines that cannot run 32-bit code (scripts/guest.sh).
  qemu-system-x86 qemu-utils debootstrap e2fsprogs busybox-static cpio xz-utils kmod
)

missing=()
need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then need_i386=1; fi
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "$need_i386" -eq 1 ]; then
  $SUDO dpkg --add-architecture i386
fi
if [ "${#missing[@]}" -gt 0 ] || [ "$need_i386" -eq 1 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
