# Sourced by the scripts that run Windows programs: the project's own 32-bit Wine prefix, quiet,
# without the Mono and Gecko prompts and without menu entries written into the Linux desktop.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${MO_WINEPREFIX:-$repo_root/build/wineprefix}"
export WINEARCH="${MO_WINEARCH:-win32}"
if [ "$WINEARCH" = win64 ]; then
  # Debian's wine command always takes the 32-bit loader when it is installed; a 64-bit prefix
  # needs the 64-bit loader (which hands a 32-bit program on to the 32-bit one) and server.
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  wine() { "$WINELOADER" "$@"; }
  wineboot() { "$WINELOADER" wineboot "$@"; }
  wineserver() { "$WINESERVER" "$@"; }
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Makes the prefix on first use and keeps a wine server running for it, so that each program
# starts in milliseconds. Its output goes to a log: Wine's background services inherit the
# standard handles of whoever starts them, and a pipe held open by them never ends.
wine_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >"$WINEPREFIX.boot.log" 2>&1 </dev/null 9>&-
      wineserver -w 9>&-
      # Wine draws the window frames itself: there is no window manager under Xvfb, and the
      # frames (caption, close box) are part of what the tests look at.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null 9>&-
      wineserver -w 9>&-
    fi
    # Debian's Wine does not find its own fonts where it looks for them; from the prefix's
    # Fonts folder it loads them (Marlett draws the caption buttons). The bitmap fonts too:
    # MS Sans Serif is one on Windows, at the sizes made for each density, and Wine's scalable
    # stand-in for it is wider, so without them no layout made for the real one fits. (Checked
    # on every use: a prefix made before the bitmap fonts were copied gets them now.)
    if [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/sserife.fon" ]; then
      cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon \
        "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    # The server and the services outlive this call: they must not inherit the lock (9>&-)
    # or our caller's output. The server stays a minute after its last program, so that a run
    # of many test programs starts each in milliseconds; one already up answers 2, which is
    # just as good.
    wineserver -p60 >/dev/null 2>&1 </dev/null 9>&- || true
    wine cmd /c exit >/dev/null 2>&1 </dev/null 9>&-
  ) 9>"$WINEPREFIX.lock"
}
