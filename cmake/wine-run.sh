#!/usr/bin/env bash
# Runs a Windows executable under wine64 in the build's own prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs every test through it.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${MILLPLAN_BUILD:?MILLPLAN_BUILD must name the build directory}"
export WINEPREFIX="$MILLPLAN_BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX" || exit 1
exec /usr/lib/wine/wine64 "$@"
