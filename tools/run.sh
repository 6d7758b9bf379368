#!/usr/bin/env bash
# Builds MILLPLAN and runs it under wine64 on this display (or, without one,
# in a virtual display until the program ends). Installs what is missing.
# Uses $WINEPREFIX or ~/.wine; creates only what is missing, deletes nothing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/setup.sh"
# A CJK font, so the Asian languages render under Wine.
millplan_install fonts-wqy-zenhei
millplan_build

export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
fi
# Link the CJK font into the faces dialogs and message boxes use, so the
# Asian languages show their own characters.
if ! grep -q 'WenQuanYi Zen Hei' "$WINEPREFIX/system.reg" 2>/dev/null; then
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
    /usr/lib/wine/wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f </dev/null >/dev/null 2>&1
  done
fi
# The program's fixed settings directory, C:\Apache2\htdocs\millplan, with
# the language files of this build.
settings="$WINEPREFIX/drive_c/Apache2/htdocs/millplan"
mkdir -p "$settings"
cp "$root"/res/lang/strings_*.txt "$settings/"

exe="$root/build/MILLPLAN.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec /usr/lib/wine/wine64 "$exe"
fi
echo "No DISPLAY: running MILLPLAN in a virtual display (xvfb-run); it ends when the program ends."
exec xvfb-run -a -s "-screen 0 1280x1024x24" /usr/lib/wine/wine64 "$exe"
