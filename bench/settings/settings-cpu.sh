#!/usr/bin/env bash
# Whole-app cost with the Settings window open on the Cat tab (its header cat swinging its tail),
# the island hidden: opens Settings from the app's menu on the peeking island, moves the pointer
# away and measures. Fails when the app uses 2% of one core or more. KP_SETTINGS_SECONDS (default
# 30) sets the measure, KP_SETTINGS_SCALE (default 1) the scale.
# Usage: settings-cpu.sh [build dir]   (benchmark-style arguments are ignored)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
command -v xdotool >/dev/null || { echo "settings-cpu: xdotool missing, skipped"; exit 0; }
seconds=${KP_SETTINGS_SECONDS:-30}
scale=${KP_SETTINGS_SCALE:-1}
kp_cost_setup "$build" --no-compositor
# The island hides 3 s after the menu is used, so only the window is measured.
kp_cost_settings soundOn=false musicOn=false appSoundOn=false openIdleSeconds=2 peekIdleSeconds=3
kp_cost_start QT_SCALE_FACTOR="$scale"

waitfor() {  # waitfor SECONDS COMMAND...: polls until the command succeeds
  local deadline=$(($(date +%s) + $1)); shift
  until "$@"; do [ "$(date +%s)" -lt "$deadline" ] || return 1; sleep 0.2; done
}
island_shown() {
  local id; id=$(xdotool search --name '^Kettlepaw Island$' 2>/dev/null | head -1)
  [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable
}
settings_window() { xdotool search --onlyvisible --name '^Settings$' 2>/dev/null | head -1; }
read -r W H < <(xdotool getdisplaygeometry)
sleep 8   # the greeting, then the island hides
# The menu on the peeking island's right click, from the bottom up: "Quit Kettlepaw", "Settings…".
for _ in 1 2 3 4; do
  xdotool mousemove $((W / 2)) 10
  waitfor 20 island_shown || continue
  sleep 0.5
  xdotool click 3; sleep 1
  xdotool key Up Up Return
  waitfor 10 eval '[ -n "$(settings_window)" ]' && break
  xdotool key Escape
done
[ -n "$(settings_window)" ] || { echo "settings-cpu: the Settings window did not open"; exit 1; }
xdotool mousemove 10 $((H - 10))
sleep 8   # the island hides, the window settles
kp_cost_measure "$seconds"
echo "settings-cpu: Settings open on the Cat tab at scale $scale: app ${COST_CPU}% of one core, X server ${COST_XCPU}%, ${COST_WAKE} wake-ups/s, ${COST_RSS_MB} MB"
kp_cost_below "$COST_CPU" 2 "settings-cpu: Settings open"
