#!/usr/bin/env bash
# Builds the benchmarks (the same build as the tests) and runs each under
# wine64 in a virtual display, printing "BENCH <name> <value> <unit>" lines.
# A benchmark never fails the build; it reports.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/setup.sh"
millplan_install
millplan_build || exit 1

build="$root/build"
export MILLPLAN_BUILD="$build"
"$root/cmake/wine-prefix.sh" "$build/wineprefix" || exit 1
stop_wine() { "$root/cmake/wine-server.sh" stop || true; }
trap stop_wine EXIT
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  "$0/cmake/wine-server.sh" start
  for exe in "$1"/bench/bench_*.exe; do
    "$0/cmake/wine-run.sh" "$exe" </dev/null || echo "$(basename "$exe"): failed (exit $?)"
  done' "$root" "$build"
