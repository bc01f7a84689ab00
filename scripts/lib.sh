# Shared by the scripts: the repository root, a build of each preset, and an X display.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"
. scripts/x86-guest/common.sh   # runs_32bit_x86, needs_x86_guest

# build_preset NAME [TARGET...]: configures (first time only) and builds one preset, or only
# the targets named.
build_preset() {
  local preset=$1
  shift
  if [ ! -f "build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" >"build/$preset.configure.log" 2>&1 ||
      { cat "build/$preset.configure.log"; return 1; }
  fi
  cmake --build --preset "$preset" ${1:+--target "$@"}
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
