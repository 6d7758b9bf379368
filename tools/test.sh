#!/usr/bin/env bash
# Builds MILLPLAN and its tests, then runs every test under wine64 in a
# virtual display. Installs what is missing first. Exit code = ctest's.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/setup.sh"
millplan_install
millplan_build
millplan_allow_port80

build="$root/build"
stop_wine() { env MILLPLAN_BUILD="$build" "$root/cmake/wine-server.sh" stop || true; }
trap stop_wine EXIT
env MILLPLAN_BUILD="$build" WINEPREFIX="$build/wineprefix" "$root/cmake/wine-prefix.sh" "$build/wineprefix"
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  ctest --output-on-failure --timeout 300 -j2 </dev/null
