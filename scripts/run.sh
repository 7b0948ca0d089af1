#!/usr/bin/env bash
# Starts the device simulator on loopback with a demo controller and the
# registration service, three more simulated devices that announce themselves
# for "Search", then the application against them in run/, and stops the
# simulators when the window closes.
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/$build/bin"
rundir="$root/run"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display. Run it under a virtual one:  xvfb-run -a -s '-screen 0 1600x1000x24' make run"
  exit 1
fi
[ "$build" = "--check-display" ] && exit 0

regport=18080
regurl="http://127.0.0.1:$regport"
mkdir -p "$rundir"
ln -sfn "$bin/man" "$rundir/man"
if [ ! -f "$rundir/brezzano.ini" ]; then
  cat > "$rundir/brezzano.ini" <<INI
[SENS]
NETTYPE=1
IP=127.0.0.1
AUTOAUPD=30
LANGUAGE=0
REGURL=$regurl
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

# The application reads the registration address but never writes it: add it to older files.
if ! grep -q '^REGURL=' "$rundir/brezzano.ini"; then
  if grep -q '^\[SENS\]' "$rundir/brezzano.ini"; then
    sed -i "/^\[SENS\]/a REGURL=$regurl" "$rundir/brezzano.ini"
  else
    printf '[SENS]\nREGURL=%s\n' "$regurl" >> "$rundir/brezzano.ini"
  fi
fi

# A day and more of the demo controller's past, so the History window and a unit's chart have
# something to show at once; an existing file is the demo's own history and stays.
if [ ! -f "$rundir/brezzano-history.sqlite" ]; then
  "$bin/brezzano-history-seed" "$rundir" 127.0.0.1
fi

sims=()
trap 'for p in "${sims[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done' EXIT
# Unit 3 goes into fault and out of it now and then: alerts and the history have something to show.
"$bin/brezzano-sim" --listen 127.0.0.1:2000 --demo --toggle-fault 3:45 --http "$regport" \
  --account 'demo:brezza&2026#+:0' --account 'nuovo:nuovo-1:3' > "$rundir/sim.log" 2>&1 &
sims+=($!)
echo "Simulator running on 127.0.0.1:2000 (log: $rundir/sim.log)"
echo "Registration service on $regurl: user demo, password brezza&2026#+ (user nuovo, password nuovo-1: never connected)"
# The address book's Warehouse answers (a unit of it in fault); its Showroom does not: the Site
# tab shows both kinds.
"$bin/brezzano-sim" --listen 127.0.0.2:2000 --scenario "$root/sim/scenarios/lab.json" > "$rundir/sim-warehouse.log" 2>&1 &
sims+=($!)
# Devices that the demo address book does not hold yet: "Search" on the network tab finds them.
for dev in 4:office 5:lab 6:gym; do
  "$bin/brezzano-sim" --listen "127.0.0.${dev%%:*}:2000" --scenario "$root/sim/scenarios/${dev#*:}.json" \
    --beacon 127.0.0.1 > "$rundir/sim-${dev#*:}.log" 2>&1 &
  sims+=($!)
done
echo "Three more devices on 127.0.0.4, 127.0.0.5, 127.0.0.6, announcing themselves to UDP port 55555"

cd "$rundir"
"$bin/brezzano"
