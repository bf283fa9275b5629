#!/usr/bin/env bash
# End to end: no thread can start once the app runs, as under a limit on threads lowered meanwhile
# (a preloaded library refuses them). With a sound server of its own, the island opens three times
# and shows its room each time, the last two 40 s after the first has closed (past the 30 s the
# pool's threads would otherwise last unused), and SIGTERM saves the cat and ends the app with status 0.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool import python3
kp_scratch_dir kp-thread-limit
kp_app_home "$scratch"
printf '[General]\nonboardedV1=true\nopenIdleSeconds=2\n' >"$conf"
kp_write_cat "$record"
cp "$record" "$scratch/written.json"
kp_start_display 178 "$scratch/x.log" || exit 1
if command -v pulseaudio >/dev/null; then
  source "$KP_SOURCE_DIR/scripts/private-pulse.sh"
  HOME=$scratch kp_start_pulse "$scratch/run" >/dev/null && pids+=("$PULSE_PID")
fi

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
xdotool mousemove "$cx" $((H - 40))
kp_refuse_threads "$scratch/no-threads"
kp_start_app "$scratch/app.log" "${refusing[@]}"
kp_expect_island '360x62+*' 60 "the greeting at launch"
kp_expect_island hidden 30 "the greeting ends"
touch "$scratch/no-threads"

for round in 1 2 3; do
  [ "$round" = 2 ] && kp_wait 60 eval '[ $(date +%s) -gt $((closed + 40)) ]'
  xdotool mousemove "$cx" 3
  kp_wait 20 _kp_island_is '276x32+*' || kp_fail "round $round: no peek ($(kp_island_at))"
  kp_click_until "$cx" 3 1 "round $round: open" '640x160+*'
  kp_expect_pixels "round $round: no room in the open island" 9000 kp_count_lit $((cx - 300)) 60 600 20
  xdotool mousemove "$cx" $((H - 40))
  kp_expect_island '276x32+*' 30 "round $round: closed again"
  closed=$(date +%s)
done

kill -TERM "$app_pid"
kp_expect_exit 30 "on SIGTERM"
kp_expect_saved "$scratch/written.json" "$record"
