#!/usr/bin/env bash
# Builds the emulated x86 machine that runs the 32-bit program where this machine cannot: a
# Debian 12 amd64 guest (its kernel runs 32-bit code) with Wine for both processors, Xvfb and
# xdotool, and two Wine prefixes made at build time (a 32-bit one, and a 64-bit one where a
# 32-bit program runs as on 64-bit Windows), each with a copy for the density tests. Only
# Debian's packages, from the mirror this machine's apt uses.
#
# The image goes into the user's cache folder, one folder per recipe; it is built once per
# machine and again when the recipe changes (guest_recipe). Test runs boot it on a throw-away
# overlay and never change it. Needs root (debootstrap, chroot); takes about 10 minutes.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

[ -f "$guest_image_dir/base.img" ] && exit 0
mkdir -p "$guest_cache_root"
exec 8>"$guest_cache_root/build.lock"
flock 8
[ -f "$guest_image_dir/base.img" ] && exit 0   # built meanwhile by another run
if [ "$(id -u)" -ne 0 ]; then
  echo "building the emulated x86 machine needs root (debootstrap and chroot)" >&2
  exit 1
fi

work="$guest_image_dir.partial"
root="$work/root"
log="$work/build.log"
unmount_root() {
  local m
  for m in dev/pts dev sys proc; do
    mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m"
  done
  return 0
}
trap 'unmount_root' EXIT
unmount_root
rm -rf --one-file-system "$work"   # never into a mount left in the root
mkdir -p "$work"
mirror=$(debian_mirror)

step "the guest's root: Debian 12 amd64 (debootstrap), log in $log"
debootstrap --arch=amd64 --variant=minbase --include=procps,ca-certificates \
  bookworm "$root" "$mirror" >>"$log" 2>&1 || { tail -20 "$log"; exit 1; }

step "Wine for both processors, Xvfb and xdotool, installed in the root"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
# No service starts in the chroot; the host's apt sources and name server, for this step only.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
rm -f "$root/etc/apt/sources.list"
cp -a /etc/apt/sources.list /etc/apt/sources.list.d "$root/etc/apt/" 2>/dev/null || true
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 \
  PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
in_root dpkg --add-architecture i386
in_root apt-get update >>"$log" 2>&1 || { tail -20 "$log"; exit 1; }
# An i386 package's script that runs an i386 program fails here, harmlessly (glib's schema
# compiler); apt still ends well.
in_root apt-get install -y --no-install-recommends \
  wine wine32:i386 wine64 fonts-wine xvfb xdotool x11-utils >>"$log" 2>&1 ||
  { tail -20 "$log"; exit 1; }
in_root apt-get clean
rm -rf "$root"/var/lib/apt/lists/* "$root/usr/sbin/policy-rc.d" "$root/etc/apt/sources.list.d"
echo "# the test machine is offline: its packages came through the host" >"$root/etc/apt/sources.list"
: >"$root/etc/resolv.conf"
echo mo-x86-guest >"$root/etc/hostname"
unmount_root

step "the kernel and the first program it starts"
kernel_pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
(cd "$work" && apt-get download "$kernel_pkg" >>"$log" 2>&1) || { tail -20 "$log"; exit 1; }
dpkg-deb -x "$work"/"$kernel_pkg"_*.deb "$work/kernel"
kver=$(ls "$work/kernel/lib/modules")
cp "$work/kernel/boot/vmlinuz-$kver" "$work/vmlinuz"
# A small initramfs of the host's static busybox and the modules that reach the root disk and
# the host's files: virtio, ext4 and 9p, each after what it depends on.
mods="$work/kernel/lib/modules/$kver"
depmod -b "$work/kernel" "$kver"
mkdir -p "$work/initrd/bin" "$work/initrd/mods"
declare -A seen=()
add_module() {
  local m=$1 d
  [ -n "${seen[$m]:-}" ] && return 0
  seen[$m]=1
  for d in $(awk -v m="$m" -F': *' '$1 == m { print $2 }' "$mods/modules.dep"); do add_module "$d"; done
  case "$m" in
    *.xz) xz -dc "$mods/$m" >"$work/initrd/mods/$(basename "${m%.xz}")" ;;
    *) cp "$mods/$m" "$work/initrd/mods/" ;;
  esac
  basename "${m%.xz}" >>"$work/initrd/modules"
}
: >"$work/initrd/modules"
for want in virtio_pci virtio_blk crc32c_generic ext4 9pnet_virtio 9p; do
  path=$(grep -oE "^[^:]*/$want\.ko(\.xz)?" "$mods/modules.dep" | head -1 || true)
  if [ -n "$path" ]; then add_module "$path"
  elif ! grep -qE "/$want\.ko" "$mods/modules.builtin"; then echo "the guest kernel lacks $want" >&2; exit 1
  fi
done
cp /bin/busybox "$work/initrd/bin/busybox"
install -m755 "$guest_src/initrd-init" "$work/initrd/init"
(cd "$work/initrd" && find . | cpio -o -H newc --quiet | gzip -9) >"$work/initrd.gz"

step "the root disk image"
truncate -s 12G "$work/base.img"
mkfs.ext4 -q -F -L mo-guest -E root_owner=0:0 -d "$root" "$work/base.img" >>"$log" 2>&1
rm -rf --one-file-system "$root" "$work/kernel" "$work/initrd" "$work"/*.deb

step "the Wine prefixes, made in the running guest (several minutes)"
mkdir -p "$work/state"
export MO_GUEST_IMAGE_DIR="$work" MO_GUEST_STATE="$work/state"
"$guest_repo/scripts/guest.sh" start --writable
prefix() {  # prefix ARCH: the project's own prefix set-up, then a copy for the density tests
  local arch=$1
  step "  the $arch prefix"
  "$guest_repo/scripts/guest.sh" run --raw -- env MO_WINEARCH="$arch" \
    MO_WINEPREFIX="/root/prefix/$arch" bash -c \
    ". '$guest_repo/scripts/wine-env.sh' && wine_ready && wineserver -k; wineserver -w
     test -f /root/prefix/$arch/system.reg && cp -a /root/prefix/$arch /root/prefix/$arch-density"
}
prefix win32
prefix win64
"$guest_repo/scripts/guest.sh" stop
e2fsck -fy "$work/base.img" >>"$log" 2>&1 || [ $? -le 1 ]
rm -rf "$work/state"

mv "$work" "$guest_image_dir"
# Images of earlier recipes are of no more use.
for old in "$guest_cache_root"/*/; do
  [ "${old%/}" = "$guest_image_dir" ] || rm -rf --one-file-system "${old%/}"
done
step "built: $guest_image_dir ($(du -sh --apparent-size "$guest_image_dir/base.img" | cut -f1) sparse, $(du -sh "$guest_image_dir/base.img" | cut -f1) used)"
