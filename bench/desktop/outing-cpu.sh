#!/usr/bin/env bash
# Cost of the whole app while the cat is out on the desktop: starts it on a private X display with
# a window manager (and a compositor unless --no-compositor), lets the cat out from the island's
# menu, then measures the app's and the X server's CPU time over 60 s (KP_OUTING_SECONDS). Fails
# when the app uses 2% of one core or more.
# Usage: outing-cpu.sh [build dir] [--compositor | --no-compositor]   (other --options are ignored);
# with neither, both are measured, each on a display of its own.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
kp_cost_each_compositor
command -v xdotool >/dev/null || { echo "outing-cpu: xdotool missing, skipped"; exit 0; }
seconds=${KP_OUTING_SECONDS:-60}

run() {
  kp_cost_setup "$build" "$@"
  # A window to walk on, and a long outing so the cat is out for the whole measure.
  xmessage -geometry 600x260+300+420 "A window to walk on" >/dev/null 2>&1 & pids+=($!)
  kp_cost_settings 'desktopRoam=true' 'openIdleSeconds=2' 'peekIdleSeconds=3'
  kp_cost_start
  sleep 8  # the greeting, then the island hides
  read -r W _ < <(xdotool getdisplaygeometry)
  xdotool mousemove $((W / 2)) 3; sleep 1.5   # the island wakes under the pointer
  xdotool click 3; sleep 1               # its menu
  xdotool key Down Return; sleep 1       # "Let him out now"
  xdotool mousemove 20 20
  sleep 8  # the cat lands; the island, woken for its menu, hides again
  out() { xwininfo -name "Kettlepaw Roaming" 2>/dev/null | grep -q IsViewable; }
  out || { echo "outing-cpu: the cat did not go out"; exit 1; }
  kp_cost_measure "$seconds"
  out || { echo "outing-cpu: the cat came home before the measure ended"; exit 1; }
  local x=$COST_XCPU
  echo "outing ${*:-with compositor}: app $COST_CPU% of one core, X server $x%, $COST_WAKE wake-ups/s, $COST_RSS_MB MB"
}
run "${mode[@]}"
kp_cost_below "$COST_CPU" 2 "outing ${mode[*]:-with compositor}"
