# Shared by the scripts: the repository root, a build of each preset, and an X display.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

# build_preset NAME: configures (first time only) and builds one preset.
build_preset() {
  if [ ! -f "build/$1/CMakeCache.txt" ]; then
    cmake --preset "$1" >"build/$1.configure.log" 2>&1 || { cat "build/$1.configure.log"; return 1; }
  fi
  cmake --build --preset "$1"
}

# ensure_display: uses $DISPLAY when it works, else starts an Xvfb of a known size (the
# dialog layout depends on the screen width) and stops it when the script ends.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    MO_XVFB_PID=$!
    export DISPLAY=":$n"
    trap 'kill $MO_XVFB_PID 2>/dev/null' EXIT
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  done
  echo "could not start Xvfb" >&2
  return 1
}

# runs_32bit_x86: whether this machine runs 32-bit x86 programs itself (the 32-bit Wine loader
# is one). Some virtual machines cannot: their kernels run 64-bit programs only, and Wine's
# 32-bit half, and so every 32-bit Windows program, cannot start there. A loader that runs only
# through an emulator registered for it does not count: Wine does not work under one.
runs_32bit_x86() {
  [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
