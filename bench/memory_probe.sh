#!/usr/bin/env bash
# The window's resident memory over a long run of reloads every second: the simulator with 64
# units (one going in and out of fault) on a loopback address of its own, the application
# offscreen against it in a fresh folder, /proc's VmRSS read once a minute.
# Usage: bench/memory_probe.sh [MINUTES] [BUILD]   (default 120 minutes, build)
set -euo pipefail
minutes="${1:-120}"
build="${2:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/$build/bin"
addr=127.0.0.159
dir="$(mktemp -d /tmp/brezzano-memory-XXXXXX)"
cat > "$dir/brezzano.ini" <<INI
[SENS]
NETTYPE=1
IP=$addr
AUTOAUPD=1
LANGUAGE=0
INI
ln -s "$bin/man" "$dir/man"

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
"$bin/brezzano-sim" --listen "$addr:2000" --demo --units 64 --toggle-fault 3:45 > "$dir/sim.log" 2>&1 &
pids+=($!)
sleep 1
(cd "$dir" && QT_QPA_PLATFORM=offscreen exec "$bin/brezzano") > "$dir/app.log" 2>&1 &
app=$!
pids+=($app)

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$app/status"; }
echo "minute rss_kB (folder $dir)"
first30=""
for ((m = 0; m <= minutes; ++m)); do
  [ -d "/proc/$app" ] || { echo "the application ended"; exit 1; }
  now="$(rss)"
  echo "$m $now"
  [ "$m" -eq 30 ] && first30="$now"
  [ "$m" -lt "$minutes" ] && sleep 60
done
last="$(rss)"
if [ -n "$first30" ]; then
  echo "after 30 minutes ${first30} kB, at the end ${last} kB: $(( (last - first30) )) kB more"
fi
