#!/usr/bin/env bash
# Starts the device simulator on loopback with a demo controller, then the
# application against it in run/, and stops the simulator when the window closes.
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/$build/bin"
rundir="$root/run"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display. Run it under a virtual one:  xvfb-run -a -s '-screen 0 1600x1000x24' make run"
  exit 1
fi

mkdir -p "$rundir"
ln -sfn "$bin/man" "$rundir/man"
if [ ! -f "$rundir/brezzano.ini" ]; then
  cat > "$rundir/brezzano.ini" <<'INI'
[SENS]
NETTYPE=1
IP=127.0.0.1
AUTOAUPD=30
LANGUAGE=0
[LISTSENS]
NAME0=Demo controller
IPADDR0=127.0.0.1
NAME1=Warehouse
IPADDR1=127.0.0.2
NAME2=Showroom
IPADDR2=127.0.0.3
INI
  echo "Wrote a demo settings file: $rundir/brezzano.ini"
fi

"$bin/brezzano-sim" --listen 127.0.0.1:2000 --demo > "$rundir/sim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
echo "Simulator running on 127.0.0.1:2000 (log: $rundir/sim.log)"

cd "$rundir"
"$bin/brezzano"
