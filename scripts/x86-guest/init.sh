#!/bin/bash
# The emulated x86 machine's job server, its first program after the initramfs. The host's
# files are at /host; the host hands in jobs as folders in a spool folder of its own
# (a share of its own, at /spool): NAME.job/job.sh, which this server renames to
# NAME.run and runs, leaving out, err and, last, rc beside it. A file "poweroff" in the spool
# ends the machine. Jobs run side by side, each with a display, a Wine prefix of the guest's
# own and the host's folders it names at the same paths as on the host (expose).
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# The initramfs mounts the host's files uncached, and 32-bit Wine cannot start a program from
# there (it faults at the program's first instruction). With the page cache ("loose") it can;
# then this guest sees the host's changes only after it drops its caches, which it does before
# each job, and the host sees the guest's writes once they are synced, which each job ends with.
# The host's files cannot be mounted again while this script is read from them: it goes on from
# a copy. The spool is a share of its own, uncached: both sides see each step of a job at once.
if [ "$0" != /sbin/mo-init ]; then
  cp "$0" /sbin/mo-init && exec /bin/bash /sbin/mo-init
fi
umount /host &&
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose hostroot /host
mkdir -p /spool
mount -t 9p -o trans=virtio,version=9p2000.L,cache=none spool /spool
export HOME=/root LANG=C.UTF-8 DISPLAY=:99
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
mount -o remount,rw /
hostname mo-x86-guest
say() { echo "mo-guest [$(cut -d' ' -f1 /proc/uptime)] $*" >/dev/console; }

spool=/spool

# expose PATH...: the host's folder of each path (the path itself for a folder) at the same
# path here. A top-level folder the guest lacks becomes a link to the host's; below one it
# has, the folder is mounted there. The guest's own folders themselves (/, /tmp, /root ...)
# stay the guest's: a file directly in one is mounted alone.
expose() {
  local p d top
  for p in "$@"; do
    case "$p" in /*) ;; *) continue ;; esac
    [ -e "/host$p" ] || p=$(dirname "$p")
    [ -e "/host$p" ] || continue
    top=/${p#/}
    top=/${top%%/*}
    [ "$top" = /host ] && continue
    if [ ! -e "$top" ] && [ ! -L "$top" ]; then ln -s "/host$top" "$top"; continue; fi
    [ -L "$top" ] && continue                       # already the host's
    d=$p
    [ -d "/host$d" ] || d=$(dirname "$d")
    mountpoint -q "$d" 2>/dev/null && continue
    if [ "$d" = "$top" ] || [ "$d" = / ]; then      # a folder of the guest's own
      [ -f "/host$p" ] && ! mountpoint -q "$p" && { touch "$p"; mount --bind "/host$p" "$p"; }
      continue
    fi
    mkdir -p "$d" && mount --bind "/host$d" "$d"
  done
}
export -f expose

# The display the jobs share, of the size the tests expect.
Xvfb :99 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

run_job() {  # run_job FOLDER
  echo 3 >/proc/sys/vm/drop_caches
  local rc
  (cd / && setsid bash "$1/job.sh" </dev/null >"$1/out" 2>"$1/err")
  rc=$?
  sync
  echo $rc >"$1/rc.new"
  mv "$1/rc.new" "$1/rc"
}

if ! mountpoint -q "$spool"; then
  say "the spool share is not mounted: nothing to do"
else
  say "ready: $(wine --version 2>/dev/null), jobs from $spool"
  touch "$spool/ready"
  while [ ! -e "$spool/poweroff" ]; do
    for job in "$spool"/*.job; do
      [ -d "$job" ] || continue
      mv "$job" "${job%.job}.run" && run_job "${job%.job}.run" &
    done
    sleep 0.2
  done
fi
say "power off"
for p in /root/prefix/*/; do WINEPREFIX=$p wineserver -k 2>/dev/null; done
sleep 1
sync
umount -a -t 9p 2>/dev/null
mount -o remount,ro / 2>/dev/null
echo o >/proc/sysrq-trigger
sleep 30
