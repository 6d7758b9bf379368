#!/usr/bin/env bash
# Takes a screenshot of MILLPLAN running under wine64 in a private virtual
# display.
#
# Usage: bash tools/screenshot.sh OUT.png [seconds]
#   seconds   how long to let the program start before the capture (default 8)
#
# Builds like tools/run.sh.  Uses $WINEPREFIX, or else a scratch prefix under
# /tmp that is kept for the next run.  $MILLPLAN_BUILD_DIR names the build
# whose MILLPLAN.exe is shown (default build/, built as tools/run.sh does;
# another directory has only its MILLPLAN target brought up to date).
# Stops only what it started: the prefix's wineserver and its own Xvfb,
# by PID.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bash tools/screenshot.sh OUT.png [seconds]" >&2
  exit 2
fi
out=$1
wait_s=${2:-8}
case $wait_s in
  ''|*[!0-9.]*) echo "screenshot.sh: seconds must be a number, got '$wait_s'" >&2; exit 2 ;;
esac
# The capture is written after the program has run; make the path absolute
# now so it does not depend on any later directory change.
case $out in
  /*) ;;
  *) out="$PWD/$out" ;;
esac

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/setup.sh"
# A CJK font for the Asian languages; Wine's own fonts for the caption
# buttons.
millplan_install fonts-wqy-zenhei fonts-wine
if [ -n "${MILLPLAN_BUILD_DIR:-}" ]; then
  build_dir=$MILLPLAN_BUILD_DIR
  if [ -f "$build_dir/build.ninja" ]; then
    cmake --build "$build_dir" -j2 --target MILLPLAN
  fi
else
  millplan_build
  build_dir="$root/build"
fi
exe="$build_dir/MILLPLAN.exe"
if [ ! -f "$exe" ]; then
  echo "screenshot.sh: $exe not found" >&2
  exit 1
fi

export WINEPREFIX="${WINEPREFIX:-/tmp/millplan-shot-prefix-$(id -u)}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

# A free display number: no lock file and no socket.
display=""
for n in $(seq 90 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=$n
    break
  fi
done
if [ -z "$display" ]; then
  echo "screenshot.sh: no free X display number" >&2
  exit 1
fi

xvfb_pid=""
wine_pid=""
cleanup() {
  # Only what this script started: the prefix's wine processes and our Xvfb.
  "$wineserver" -k >/dev/null 2>&1 || true
  if [ -n "$wine_pid" ]; then
    kill "$wine_pid" 2>/dev/null || true
    wait "$wine_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "screenshot.sh: Xvfb did not start on :$display" >&2
    exit 1
  fi
  sleep 0.1
done

if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1
fi
# Wine draws the window frames itself; there is no window manager here.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
  </dev/null >/dev/null 2>&1
# Same CJK font links as tools/run.sh, so every language renders.
if ! grep -q 'WenQuanYi Zen Hei' "$WINEPREFIX/system.reg" 2>/dev/null; then
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
    "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f </dev/null >/dev/null 2>&1
  done
fi
# Wine draws the caption buttons with Marlett, which this Wine build does
# not find in its data directory; the prefix's font folder works.
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
# The program's fixed settings directory with the language files.
settings="$WINEPREFIX/drive_c/Apache2/htdocs/millplan"
mkdir -p "$settings"
cp "$root"/res/lang/strings_*.txt "$settings/"

"$wine" "$exe" </dev/null >/dev/null 2>&1 &
wine_pid=$!
sleep "$wait_s"
if ! kill -0 "$wine_pid" 2>/dev/null; then
  echo "screenshot.sh: note: MILLPLAN had already ended before the capture" >&2
fi
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "wrote $out"
