#!/usr/bin/env bash
# The manual's pictures, taken from the demo as a person sees it: the unit panel with the alarm
# bar, the Site tab, the History window and its summary, and a unit's temperature chart. Three
# simulated controllers (the demo with two days of history, two calm or faulty others) and a
# fourth that nothing answers, each on a loopback address of its own, the program in a fresh
# folder. Run `make build` first; `make build` afterwards renders them into the manuals.
#
#   scripts/manual-shots.sh [LANGUAGE...]      e.g. scripts/manual-shots.sh 1    (default: 0 1)
#
# Writes man/En/img/*.png for LANGUAGE 0 and man/It/img/*.png for 1, about 1000 pixels wide.
# Needs xvfb, openbox, xdotool and imagemagick.

# Each language in a run of its own: a fresh folder, history, display and simulators.
if [ "${1:-}" != --one ]; then
  set -euo pipefail
  [ $# -gt 0 ] || set -- 0 1
  for lang in "$@"; do "$0" --one "$lang"; done
  exit 0
fi
lang=$2
# shellcheck source=scripts/shots-lib.sh
source "$(dirname "$0")/shots-lib.sh"
case "$lang" in 0) dir=En ;; 1) dir=It ;; *) echo "LANGUAGE is 0 or 1"; exit 1 ;; esac
out="$root/man/$dir/img"
mkdir -p "$out"

demo=127.0.0.86
start_display 1280x800
start_site "$lang" 30 "$demo" 127.0.0.87 127.0.0.88 127.0.0.89
"$bin/brezzano-history-seed" "$work" "$demo" >/dev/null
start_app

# A picture for the manual: at most 1000 pixels wide, no metadata, 256 colours (screens of text
# and lines keep their look and take a third of the room).
keep() {
  convert "$1" -strip -resize '1000x>' -colors 256 "PNG8:$out/$2"
  rm -f "$1"
}
# The window whose title matches $1, once it is shown.
window_named() {
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && break; sleep 0.2
  done
  [ -n "$id" ] || { echo "no window $1"; cat "$work/app.log"; exit 1; }
  echo "$id"
}

# The first reload and the Site tab's first pass; the Lab's unit in fault raises the alarm bar.
sleep 9
xdotool windowactivate --sync "$win"
import -window root "$work/panel.png"
# The top of the window: its title, the alarm bar and the tabs.
convert "$work/panel.png" -crop 1280x96+0+0 +repage "$work/alarm.png"
keep "$work/panel.png" panel.png
keep "$work/alarm.png" alarm.png

xdotool key alt+5
sleep 1.5
import -window root "$work/site.png"
keep "$work/site.png" site.png

# Back on the panel, which reloads; a right-click on the second row (Kitchen, in fault for the
# last hours) and the menu's first entry chart its last 24 hours. Rows stand where the first
# picture shows them: 1280x800, the alarm bar up.
kitchen_x=200 kitchen_y=174
xdotool key alt+1
sleep 3
xdotool mousemove "$kitchen_x" "$kitchen_y" click 3
sleep 0.5
xdotool key Down Return
chart=$(window_named "\\(${demo//./\\.}\\)\$")
sleep 1.5
import -window "$chart" "$work/trend.png"
keep "$work/trend.png" trend.png
xdotool windowactivate --sync "$chart" key Escape

# The History window: Tab from the list moves on to a History button (the focus chain's next);
# then its Summary tab, with the first unit opened.
xdotool windowactivate --sync "$win"
xdotool mousemove "$kitchen_x" "$kitchen_y" click 1
xdotool key Tab space
history=$(window_named '^(History|Storico)$')
sleep 1.5
import -window "$history" "$work/history.png"
keep "$work/history.png" history.png
xdotool mousemove --window "$history" 300 200 click 1
xdotool key ctrl+Tab ctrl+Tab
sleep 2
xdotool key Home Right
sleep 0.5
import -window "$history" "$work/summary.png"
keep "$work/summary.png" summary.png
ls -l "$out"
