#!/usr/bin/env bash
# Screenshots of the Site tab as a person sees it: a virtual display with a window manager, three
# simulated controllers on loopback addresses of their own (the demo, with units in fault, and two
# calm ones) and a fourth in the address book that nothing answers, the program started in a
# fresh folder with the demo controller active. Run `make build` first.
#
#   scripts/site-shots.sh [OUTDIR] [LANGUAGE] [WIDTHxHEIGHT]    e.g. scripts/site-shots.sh /tmp/site 1
#
# Writes OUTDIR/site.png (the Site tab) and OUTDIR/panel.png (the panel after a double-click on
# the calm "Office" row). Needs xvfb, openbox, xdotool and imagemagick.
set -euo pipefail
out=$(realpath -m "${1:-/tmp/brezzano-site}")
lang=${2:-0}
size=${3:-1280x800}
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
[ -x "$bin/brezzano" ] && [ -x "$bin/brezzano-sim" ] || { echo "build first (make build)"; exit 1; }
for tool in Xvfb openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "needs $tool (xvfb, openbox, xdotool, imagemagick)"; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

demo=127.0.0.81 office=127.0.0.82 lab=127.0.0.83 annex=127.0.0.84
cat > "$work/brezzano.ini" <<INI
[SENS]
NETTYPE=1
IP=$demo
AUTOAUPD=0
LANGUAGE=$lang
[LISTSENS]
NAME0=Demo controller
IPADDR0=$demo
NAME1=Office
IPADDR1=$office
NAME2=Annex
IPADDR2=$annex
NAME3=Lab
IPADDR3=$lab
[SITE]
PERIOD=20
INI
ln -s "$bin/man" "$work/man"

disp=:$((80 + RANDOM % 9))
Xvfb "$disp" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 & pids+=($!)
sleep 1
DISPLAY=$disp openbox >/dev/null 2>&1 & pids+=($!)
"$bin/brezzano-sim" --listen "$demo:2000" --demo > "$work/sim1.log" 2>&1 & pids+=($!)
"$bin/brezzano-sim" --listen "$office:2000" --scenario "$root/sim/scenarios/office.json" > "$work/sim2.log" 2>&1 & pids+=($!)
"$bin/brezzano-sim" --listen "$lab:2000" --scenario "$root/sim/scenarios/lab.json" > "$work/sim3.log" 2>&1 & pids+=($!)
sleep 0.5
(cd "$work" && DISPLAY=$disp exec "$bin/brezzano") > "$work/app.log" 2>&1 & pids+=($!)

export DISPLAY=$disp
win=""
for _ in $(seq 50); do
  win=$(xdotool search --name '^Brezzano' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break; sleep 0.2
done
[ -n "$win" ] || { echo "no window appeared"; cat "$work/app.log"; exit 1; }
# The first pass reads every controller; the unreachable one fails after its retry.
sleep 8
xdotool windowactivate --sync "$win" key alt+5
sleep 1.5
import -window root "$out/site.png"
# Enter on the calm "Office" row, found by typing its name: it becomes the active controller and
# its panel is shown, reloaded.
xdotool type --delay 50 Office
xdotool key Return
sleep 3
import -window root "$out/panel.png"
echo "written: $out/site.png $out/panel.png"
