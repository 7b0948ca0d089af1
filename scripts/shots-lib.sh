# shellcheck shell=bash
# Sourced by the screenshot scripts: the program as a person sees it, on a virtual display with a
# window manager, against simulators on loopback addresses, started in a fresh folder. Everything
# started here is stopped by its process id when the script ends.
#
# Sets root, bin and work (the fresh folder, removed at the end) and defines:
#   start_display WIDTHxHEIGHT   Xvfb on a free display, openbox on it; exports DISPLAY
#   start_sim ADDRESS LOG ARGS   brezzano-sim on ADDRESS:2000, its output in $work/LOG
#   start_site LANGUAGE PERIOD DEMO OFFICE LAB ANNEX
#                                a site of four controllers in $work/brezzano.ini, the Hotel (the
#                                demo, units in fault) active, a calm Office, a Lab with a unit in
#                                fault and an Annex that nothing answers; their simulators started;
#                                the Site tab read every PERIOD seconds, no automatic reload
#   start_app                    the program in $work (write $work/brezzano.ini first); sets win
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$root/build/bin"
if [ ! -x "$bin/brezzano" ] || [ ! -x "$bin/brezzano-sim" ]; then echo "build first (make build)"; exit 1; fi
for tool in Xvfb openbox xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "needs $tool (xvfb, openbox, xdotool, imagemagick)"; exit 1; }
done
work=$(mktemp -d)
pids=()
# The last started first (the program before its display), each waited for before the folder goes.
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

start_display() {
  # Xvfb picks a display number no other server holds and writes it once it accepts clients.
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 & pids+=($!)
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
  openbox >/dev/null 2>&1 & pids+=($!)
  sleep 0.5
}

start_sim() {
  local address=$1 log=$2
  shift 2
  "$bin/brezzano-sim" --listen "$address:2000" "$@" > "$work/$log" 2>&1 & pids+=($!)
}

start_site() {
  local lang=$1 period=$2 demo=$3 office=$4 lab=$5 annex=$6
  cat > "$work/brezzano.ini" <<INI
[SENS]
NETTYPE=1
IP=$demo
AUTOAUPD=0
LANGUAGE=$lang
[LISTSENS]
NAME0=Hotel
IPADDR0=$demo
NAME1=Office
IPADDR1=$office
NAME2=Annex
IPADDR2=$annex
NAME3=Lab
IPADDR3=$lab
[SITE]
PERIOD=$period
INI
  start_sim "$demo" sim1.log --demo
  start_sim "$office" sim2.log --scenario "$root/sim/scenarios/office.json"
  start_sim "$lab" sim3.log --scenario "$root/sim/scenarios/lab.json"
  sleep 0.5
}

start_app() {
  ln -s "$bin/man" "$work/man"
  (cd "$work" && exec "$bin/brezzano") > "$work/app.log" 2>&1 & pids+=($!)
  win=""
  for _ in $(seq 50); do
    win=$(xdotool search --name '^Brezzano' 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break; sleep 0.2
  done
  [ -n "$win" ] || { echo "no window appeared"; cat "$work/app.log"; exit 1; }
}
