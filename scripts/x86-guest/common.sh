# Sourced by the scripts of the emulated x86 machine, on the host: where its image lives, which
# recipe it was made from, and how to say what a long step is doing.

guest_src=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
guest_repo=$(cd "$guest_src/../.." && pwd)

# The recipe: whatever goes into the image. A change to any of these files makes a new image;
# the guest's job server (init.sh) is read from the checkout at each boot, so it is not part of it.
guest_recipe() {
  cat "$guest_src/build.sh" "$guest_src/initrd-init" "$guest_repo/scripts/wine-env.sh" |
    sha256sum | cut -c1-16
}
guest_cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/marbelo-orbit/x86-guest"
guest_image_dir="$guest_cache_root/$(guest_recipe)"

# The Debian mirror this machine's apt uses, read from its configuration at run time.
debian_mirror() {
  local m="" f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    m=$(awk '$1 == "deb" && $0 !~ /security/ {
               for (i = 2; i <= NF; i++) if ($i ~ /^(https?|ftp|file):/) { print $i; exit } }' "$f")
    [ -n "$m" ] && break
  done
  if [ -z "$m" ]; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      m=$(awk '/^URIs:/ && $2 !~ /security/ { print $2; exit }' "$f")
      [ -n "$m" ] && break
    done
  fi
  [ -n "$m" ] || { echo "no Debian mirror in this machine's apt configuration" >&2; return 1; }
  echo "$m"
}

# step TEXT: says what the build is doing now, with the time taken so far.
guest_t0=$(date +%s)
step() {
  local s=$(($(date +%s) - guest_t0))
  printf '[x86 guest %2d:%02d] %s\n' $((s / 60)) $((s % 60)) "$*"
}

# The emulator's processor: the host's own through KVM where this user may use it, else TCG.
# TCG's "max" processor with SMAP makes the guest kernel fault on 32-bit Wine's return from an
# interrupt (QEMU 7.2 reads the user stack of that return as the kernel), so SMAP is off.
kvm_usable() { [ -r /dev/kvm ] && [ -w /dev/kvm ]; }
qemu_accel_args() {
  if kvm_usable; then echo "-accel kvm -cpu host"; else echo "-accel tcg,thread=multi -cpu max,smap=off"; fi
}
# How many times longer the tests' waits for a window or an exit are in the guest: under TCG its
# programs start and draw ten to fifty times slower than on the host.
guest_time_scale() { if kvm_usable; then echo 2; else echo 10; fi; }

# runs_32bit_x86: whether this machine runs 32-bit x86 programs itself (the 32-bit Wine loader
# is one). Some virtual machines cannot: their kernels run 64-bit programs only, and Wine's
# 32-bit half, and so every 32-bit Windows program, cannot start there. A loader that runs only
# through an emulator registered for it does not count: Wine does not work under one.
runs_32bit_x86() {
  [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# is_pe32 FILE: whether the file is a 32-bit x86 Windows program (machine 0x14c in its PE
# header).
is_pe32() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') && [ -n "$at" ] || return 1
  [ "$(od -An -tx1 -j"$at" -N6 "$1" 2>/dev/null | tr -d ' \n')" = 504500004c01 ]
}

# needs_x86_guest FILE: whether FILE is a 32-bit Windows program this machine cannot run itself,
# so that it runs in the emulated x86 machine.
needs_x86_guest() { is_pe32 "$1" && ! runs_32bit_x86; }

# in_x86_guest CMD [ARG]...: runs the command in the emulated x86 machine, in its prefix of the
# kind MO_WINEARCH asks for, and ends with its exit code.
in_x86_guest() {
  local wow64=()
  [ "${MO_WINEARCH:-win32}" = win64 ] && wow64=(--wow64)
  exec "$guest_repo/scripts/guest.sh" run "${wow64[@]}" -- "$@"
}
