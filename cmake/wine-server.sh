#!/usr/bin/env bash
# start: keep a persistent wineserver for the test run, so each test
#        executable starts in about 0.1 s and no helper holds ctest's pipes;
# stop:  end only our own prefix's server (never pkill: other prefixes and
#        displays may belong to someone else).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${MILLPLAN_BUILD:?MILLPLAN_BUILD must name the build directory}"
export WINEPREFIX="$MILLPLAN_BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=/usr/lib/wine/wineserver64
case "${1:-}" in
  start)
    "$here/wine-prefix.sh" "$WINEPREFIX" || exit 1
    "$server" -k </dev/null >/dev/null 2>&1
    "$server" -w </dev/null >/dev/null 2>&1
    "$server" -p </dev/null >/dev/null 2>&1
    /usr/lib/wine/wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1
    exit 0;;
  stop)
    "$server" -k </dev/null >/dev/null 2>&1
    "$server" -w </dev/null >/dev/null 2>&1
    exit 0;;
  *) echo "usage: wine-server.sh start|stop" >&2; exit 2;;
esac
