#!/bin/sh
# Starts or stops the simulated looms and host for the tests that talk to
# them. A start first ends an instance left by an earlier run, so repeated
# runs never find the addresses busy.
set -e
what=$1 build=$2 scenario=$3
root=$(cd "$(dirname "$0")/.." && pwd)
python=${PYTHON:-python3}
dir="$build/millsim"
mkdir -p "$dir"
"$python" "$root/tools/millsim.py" stop --pidfile "$dir/sim.pid" >/dev/null 2>&1 || true
[ "$what" = stop ] && exit 0
: >"$dir/inet.records"
exec "$python" "$root/tools/millsim.py" start --scenario "$scenario" \
  --pidfile "$dir/sim.pid" --logfile "$dir/sim.log" --records "$dir/inet.records"
