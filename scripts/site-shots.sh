#!/usr/bin/env bash
# Screenshots of the Site tab as a person sees it: a virtual display with a window manager, three
# simulated controllers on loopback addresses of their own (the demo, with units in fault, a calm
# office and a lab with a unit in fault) and a fourth in the address book that nothing answers,
# the program started in a fresh folder with the demo controller active. Run `make build` first.
#
#   scripts/site-shots.sh [OUTDIR] [LANGUAGE] [WIDTHxHEIGHT]    e.g. scripts/site-shots.sh /tmp/site 1
#
# Writes OUTDIR/site.png (the Site tab) and OUTDIR/panel.png (the panel after a double-click on
# the calm "Office" row). Needs xvfb, openbox, xdotool and imagemagick.
out=$(realpath -m "${1:-/tmp/brezzano-site}")
lang=${2:-0}
size=${3:-1280x800}
# shellcheck source=scripts/shots-lib.sh
source "$(dirname "$0")/shots-lib.sh"
mkdir -p "$out"

start_display "$size"
start_site "$lang" 20 127.0.0.81 127.0.0.82 127.0.0.83 127.0.0.84
start_app
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
