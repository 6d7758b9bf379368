#!/usr/bin/env bash
# Creates a Wine prefix once (under a lock) with the settings our tests and
# the program need: no window manager in Xvfb, no crash dialog, no Mono or
# Gecko install prompts.
set -u
prefix=${1:?usage: wine-prefix.sh PREFIX}
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/.millplan-ready" ]; then exit 0; fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Helper processes inherit our pipes; keep them off the caller's streams.
/usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
reg() { /usr/lib/wine/wine64 reg add "$@" /f </dev/null >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
/usr/lib/wine/wineserver64 -w </dev/null >/dev/null 2>&1
touch "$prefix/.millplan-ready"
