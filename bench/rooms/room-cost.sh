#!/usr/bin/env bash
# Whole-app cost with the island open on each room in turn, at scale 1 and at scale 2: opens the
# island with a click, picks the room by its tab and keeps the pointer over the room while it
# measures. Fails when the worst room costs 4% of one core or more at scale 1, or 8% at scale 2.
# KP_ROOM_SECONDS (default 30) sets each measure; KP_ROOM_SCALES (default "1 2") the scales.
# Usage: room-cost.sh [build dir]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
command -v xdotool >/dev/null || { echo "room-cost: xdotool missing, skipped"; exit 0; }
seconds=${KP_ROOM_SECONDS:-30}
rooms=(bedroom living kitchen care garden)
rc=0
kp_cost_setup "$build"
for scale in ${KP_ROOM_SCALES:-1 2}; do
  kp_cost_start QT_SCALE_FACTOR="$scale"
  sleep 8   # the greeting, then the island hides
  read -r W H < <(xdotool getdisplaygeometry)
  cx=$((W / 2))
  xdotool mousemove "$cx" 3; sleep 1
  xdotool click 1; sleep 2
  worst=0
  for i in 0 1 2 3 4; do
    # The tabs are the five 26-point capsules 3 points apart, ending 40 points left of the
    # island's right padding (album and gear follow them), on the bar's middle line.
    tx=$((cx + (320 - 12 - 40 - 5 * 26 - 4 * 3 + 13 + i * 29) * scale))
    ty=$((21 * scale))
    # A second click: the first may land while the pointer's move is still on its way.
    xdotool mousemove "$tx" "$ty"; sleep 0.3; xdotool click 1; sleep 0.3; xdotool click 1; sleep 0.3
    xdotool mousemove "$cx" $((110 * scale))   # over the room, clear of the bar
    sleep 3
    kp_cost_measure "$seconds"
    echo "room-cost: ${rooms[$i]} at scale $scale: ${COST_CPU}% of one core, ${COST_WAKE} wake-ups/s, ${COST_RSS_MB} MB"
    worst=$(awk -v a="$worst" -v b="$COST_CPU" 'BEGIN { print (b > a ? b : a) }')
  done
  kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null
  limit=$([ "$scale" = 1 ] && echo 4 || echo 8)
  kp_cost_below "$worst" "$limit" "room-cost: worst room at scale $scale" || rc=1
done
exit $rc
