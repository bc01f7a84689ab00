#!/usr/bin/env bash
# The emulated x86 machine, for machines whose kernel runs 64-bit programs only: there the
# 32-bit program, and 32-bit Wine, run in a Debian guest under QEMU's system emulator (KVM
# where usable, else TCG), with the host's files shared live at the same paths.
#
#   guest.sh build                        build the guest's image once per recipe (root; ~10 min)
#   guest.sh start                        boot it on a throw-away overlay, for the runs that follow
#   guest.sh run [--wow64] -- CMD [ARG]...  CMD in the guest: in its 32-bit Wine prefix, or with
#                                         --wow64 its 64-bit one; passes back the exit code, the
#                                         standard output and error; boots (and stops) a guest
#                                         for this one run when none is started
#   guest.sh stop                         power the started guest off
#
# A started guest belongs to the checkout (build/x86-guest); MO_GUEST_STATE names another.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/x86-guest/common.sh"
image_dir="${MO_GUEST_IMAGE_DIR:-$guest_image_dir}"
state="${MO_GUEST_STATE:-$guest_repo/build/x86-guest}"
spool="$state/spool"

running() { [ -f "$state/qemu.pid" ] && kill -0 "$(cat "$state/qemu.pid")" 2>/dev/null; }

console_tail() { tail -n 15 "$state/serial.log" 2>/dev/null | sed 's/^/  console: /' >&2; }

# start [--writable]: boots the image (the image itself with --writable, as its build does; a
# throw-away overlay otherwise) and waits until its job server is ready.
start() {
  running && return 0
  if [ ! -f "$image_dir/base.img" ] && [ "${1:-}" != --writable ]; then
    "$guest_src/build.sh" || { echo "the emulated x86 machine could not be built" >&2; return 1; }
  fi
  case "$state$guest_repo" in *[[:space:]]*)
    echo "the emulated x86 machine needs paths without spaces: $guest_repo, $state" >&2; return 1 ;;
  esac
  mkdir -p "$state"
  rm -rf "$spool" && mkdir -p "$spool"
  local disk=$image_dir/base.img format=raw
  if [ "${1:-}" != --writable ]; then
    disk=$state/overlay.qcow2 format=qcow2
    qemu-img create -q -f qcow2 -b "$image_dir/base.img" -F raw "$disk" || return 1
  fi
  # shellcheck disable=SC2046
  setsid qemu-system-x86_64 $(qemu_accel_args) -m 3072 -smp 2 \
    -kernel "$image_dir/vmlinuz" -initrd "$image_dir/initrd.gz" \
    -append "console=ttyS0 panic=-1 quiet mo.repo=$guest_repo" \
    -drive "file=$disk,format=$format,if=virtio,cache=unsafe" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,multidevs=remap \
    -virtfs "local,path=$spool,mount_tag=spool,security_model=none" \
    -display none -vga none -serial "file:$state/serial.log" -monitor none -nic none \
    -no-reboot </dev/null >"$state/qemu.log" 2>&1 &
  echo $! >"$state/qemu.pid"
  local t0=$SECONDS
  while [ ! -e "$spool/ready" ]; do
    if ! running; then
      echo "the emulated x86 machine stopped while booting:" >&2
      cat "$state/qemu.log" >&2
      console_tail
      return 1
    fi
    if [ $((SECONDS - t0)) -gt 300 ]; then
      echo "the emulated x86 machine did not get ready in 5 minutes:" >&2
      console_tail
      stop
      return 1
    fi
    sleep 0.5
  done
}

stop() {
  running || { rm -f "$state/qemu.pid" "$state/overlay.qcow2"; return 0; }
  local pid
  pid=$(cat "$state/qemu.pid")
  touch "$spool/poweroff"
  for _ in $(seq 120); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
  kill "$pid" 2>/dev/null
  rm -f "$state/qemu.pid" "$state/overlay.qcow2"
}

# run [--wow64] [--raw] -- CMD ARG...: one job. It sees the checkout, its current folder and
# the folders of its arguments at the same paths, the environment's MO_* and TZ, and the
# guest's prefix (--raw: no prefix chosen, as the build's own jobs want).
run() {
  local arch=win32 raw=0
  while [ $# -gt 0 ]; do
    case "$1" in
      --wow64) arch=win64 ;;
      --raw) raw=1 ;;
      --) shift; break ;;
      *) break ;;
    esac
    shift
  done
  [ $# -gt 0 ] || { echo "guest.sh run: no command" >&2; return 2; }
  local own=0
  if ! running; then
    start || return 1
    own=1
  fi
  local job="$spool/$(date +%s%N)-$$" paths=("$guest_repo" "$PWD") a name
  for a in "$@"; do
    case "$a" in
      /*) paths+=("$a") ;;
      *) [ -e "$a" ] && paths+=("$PWD/$a") ;;
    esac
  done
  mkdir -p "$job.new"
  {
    printf 'expose'; printf ' %q' "${paths[@]}"; echo
    for name in $(compgen -e); do
      case "$name" in
        MO_WINEPREFIX | MO_WINEARCH | MO_GUEST_*) ;;
        MO_* | TZ | GTEST_*) printf 'export %s=%q\n' "$name" "${!name}" ;;
      esac
    done
    [ -n "${MO_TIME_SCALE:-}" ] || echo "export MO_TIME_SCALE=$(guest_time_scale)"
    if [ "$raw" -eq 0 ]; then
      printf 'export MO_WINEARCH=%s MO_WINEPREFIX=/root/prefix/%s\n' "$arch" "$arch"
    fi
    printf 'cd %q || exit 127\n' "$PWD"
    printf 'exec'; printf ' %q' "$@"; echo
  } >"$job.new/job.sh"
  mv "$job.new" "$job.job"
  while [ ! -e "$job.run/rc" ]; do
    if ! running; then
      echo "the emulated x86 machine stopped during the run" >&2
      console_tail
      return 1
    fi
    sleep 0.2
  done
  cat "$job.run/out"
  cat "$job.run/err" >&2
  local rc
  rc=$(cat "$job.run/rc")
  rm -rf "$job.run"
  [ "$own" -eq 1 ] && stop
  return "$rc"
}

case "${1:-}" in
  build) "$guest_src/build.sh" ;;
  start) shift; start "$@" ;;
  stop) stop ;;
  run) shift; run "$@" ;;
  *) sed -n '2,15p' "$0" >&2; exit 2 ;;
esac
