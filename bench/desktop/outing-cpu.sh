#!/usr/bin/env bash
# Cost of the whole app while the cat is out on the desktop, as a user meets it: starts it on a
# private X display with a window manager (and a compositor unless --no-compositor) and a few
# windows to walk on, lets the cat out from the island's menu, and measures the app's and the X
# server's CPU time from the moment the cat lands, over 60 s (KP_OUTING_SECONDS), while the pointer
# moves now and then as a person's does (a short sweep every 2 to 5 s). Fails when the app uses 2%
# of one core or more.
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
  # Windows to walk on, as on a working desktop.
  xmessage -geometry 600x260+300+420 "A window to walk on" >/dev/null 2>&1 & pids+=($!)
  xmessage -geometry 420x200+1000+260 "Another window" >/dev/null 2>&1 & pids+=($!)
  xmessage -geometry 500x180+120+160 "And a third" >/dev/null 2>&1 & pids+=($!)
  kp_cost_settings 'desktopRoam=true' 'openIdleSeconds=2' 'peekIdleSeconds=3'
  kp_cost_start KP_TEST_SEED=7   # the same outing each time: before/after pairs compare alike
  sleep 8  # the greeting, then the island hides
  read -r W H < <(xdotool getdisplaygeometry)
  xdotool mousemove $((W / 2)) 3; sleep 1.5   # the island wakes under the pointer
  xdotool click 3; sleep 1               # its menu
  xdotool key Down Return                # "Let him out now"
  xdotool mousemove 20 $((H / 2))
  out() { xwininfo -name "Kettlepaw Roaming" 2>/dev/null | grep -q IsViewable; }
  # Measured from the moment the cat lands on the desktop.
  local waited=0
  until out; do
    sleep 0.05; waited=$((waited + 1))
    [ $waited -lt 200 ] || { echo "outing-cpu: the cat did not go out"; exit 1; }
  done
  # The pointer now and then: a short sweep to somewhere below the top bar, then still a while.
  (
    RANDOM=7
    x=20 y=$((H / 2))
    while :; do
      sleep "$((2 + RANDOM % 4)).$((RANDOM % 10))"
      tx=$((40 + RANDOM % (W - 80))) ty=$((H / 4 + RANDOM % (H * 3 / 4 - 20)))
      for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
        xdotool mousemove $((x + (tx - x) * i / 12)) $((y + (ty - y) * i / 12))
        sleep 0.025
      done
      x=$tx y=$ty
    done
  ) & pids+=($!)
  kp_cost_measure "$seconds"
  out || { echo "outing-cpu: the cat came home before the measure ended"; exit 1; }
  local x=$COST_XCPU
  echo "outing ${*:-with compositor} (load $(cut -d' ' -f1 /proc/loadavg)): app $COST_CPU% of one core, X server $x%, $COST_WAKE wake-ups/s, $COST_RSS_MB MB"
}
run "${mode[@]}"
kp_cost_below "$COST_CPU" 2 "outing ${mode[*]:-with compositor}"
