#!/usr/bin/env bash
# The whole app at rest: island hidden, cat at home, sound and music off. Measured side by side
# with oneko (a classic desktop cat, at rest with the pointer still) on the same display in the
# same run. Fails when the app uses more of a core than oneko (plus 0.05 points of measuring
# grain), wakes more than 5 times a second or holds more than 45 MB.
# KP_IDLE_SECONDS sets the measure (60 s); KP_IDLE_AFTER_OPEN=1 first opens the island on its room
# (with xdotool), so the measure covers a room that has been built and put away.
# Usage: idle-cpu.sh [build dir]   (benchmark-style arguments are ignored)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
seconds=${KP_IDLE_SECONDS:-60}
kp_cost_setup "$build"

after_open=${KP_IDLE_AFTER_OPEN:-}
if [ -n "$after_open" ] && ! command -v xdotool >/dev/null; then echo "idle-cpu: xdotool missing, room not opened"; after_open=; fi
kp_cost_settings soundOn=false musicOn=false
[ -n "$after_open" ] && kp_cost_settings openIdleSeconds=2 peekIdleSeconds=3
kp_cost_start
sleep 8  # the greeting, then the island hides
if [ -n "$after_open" ]; then
  read -r W H < <(xdotool getdisplaygeometry)
  xdotool mousemove $((W / 2)) 3; sleep 1
  xdotool click 1; sleep 4   # the room, drawn at 60 Hz
  xdotool mousemove $((W / 2)) $((H - 40))
  sleep 9  # collapses after 2 s, hides 3 s later
fi

# The reference, at rest: it sleeps once it has reached the still pointer.
oneko=$(command -v oneko || echo /usr/games/oneko)
ONEKO_PID=
if [ -x "$oneko" ]; then
  "$oneko" >/dev/null 2>&1 &
  ONEKO_PID=$!
  pids+=($ONEKO_PID)
  sleep 6
else
  echo "idle-cpu: oneko missing (scripts/deps.sh --bench installs it), measured without a reference"
fi

# Both over the same stretch, so a busy moment on the machine weighs on both alike.
[ -n "$ONEKO_PID" ] && r0=$(kp_cost_cpu_ns "$ONEKO_PID")
kp_cost_measure "$seconds"
echo "idle-cpu: app ${COST_CPU}% of one core over ${seconds} s with the island hidden${after_open:+ (after the room showed)}, ${COST_WAKE} wake-ups a second, ${COST_RSS_MB} MB resident"
limit=0.1
if [ -n "$ONEKO_PID" ]; then
  r1=$(kp_cost_cpu_ns "$ONEKO_PID")
  ref=$(awk -v a="$r0" -v b="$r1" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * (b - a) / 1e9 / s }')
  echo "idle-cpu: oneko ${ref}% of one core over the same ${seconds} s"
  limit=$(awk -v r="$ref" 'BEGIN { printf "%.2f", (r > 0.1 ? r : 0.1) + 0.05 }')
fi
rc=0
kp_cost_below "$COST_CPU" "$limit" "idle-cpu: CPU" || rc=1
awk -v w="$COST_WAKE" 'BEGIN { exit !(w <= 5) }' || { echo "idle-cpu: more than 5 wake-ups a second"; rc=1; }
[ "$COST_RSS_MB" -le 45 ] || { echo "idle-cpu: more than 45 MB resident"; rc=1; }
exit $rc
