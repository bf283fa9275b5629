#!/usr/bin/env bash
# End to end: under a limit of 1 GB on its address space (ulimit -v 1048576), as a shared machine or
# a careful user may set, the app starts, opens its island six times, each time showing the room,
# and on SIGTERM saves the cat and exits cleanly. A sound server of its own, where there is one,
# shares memory with its clients as a desktop's does, and brings the sound's threads in: the app's
# sound reaches it, and the log tells of no failure. What the app reserves is printed.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool import python3
kp_sanitized && { echo "the sanitizers' shadow memory alone needs terabytes of address space: skipped"; exit 77; }
kp_scratch_dir kp-address-limit
kp_app_home "$scratch"
printf '[General]\nonboardedV1=true\nopenIdleSeconds=2\n' >"$conf"
kp_write_cat "$record"
cp "$record" "$scratch/written.json"
kp_start_display 177 "$scratch/x.log" || exit 1
if command -v pulseaudio >/dev/null; then
  source "$KP_SOURCE_DIR/scripts/private-pulse.sh"
  HOME=$scratch kp_start_pulse "$scratch/run" 1 shared >/dev/null && pids+=("$PULSE_PID")
  pactl subscribe >"$scratch/server-events" 2>&1 &
  pids+=($!)
fi

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
xdotool mousemove "$cx" $((H - 40))
ulimit -v 1048576
kp_start_app "$scratch/app.log"
kp_expect_island '360x62+*' 60 "the greeting at launch"
kp_expect_island hidden 30 "the greeting ends"
reserved() { awk '/^VmSize|^VmRSS/ { printf "%s %d MB  ", $1, $2 / 1024 }' "/proc/$app_pid/status"; }
echo "at rest: $(reserved)"

for round in 1 2 3 4 5 6; do
  xdotool mousemove "$cx" 3
  kp_wait 20 _kp_island_is '276x32+*' || kp_fail "round $round: no peek ($(kp_island_at))"
  kp_click_until "$cx" 3 1 "round $round: open" '640x160+*'
  kp_expect_pixels "round $round: no room in the open island" 9000 kp_count_lit $((cx - 300)) 60 600 20
  [ "$round" = 1 ] && echo "open: $(reserved)"
  xdotool mousemove "$cx" $((H - 40))
  kp_expect_island '276x32+*' 30 "round $round: closed again"
done

if [ -n "${PULSE_PID:-}" ]; then
  grep -q "'new' on sink-input" "$scratch/server-events" || kp_fail "no sound reached the server"
  ! grep -E "No sound server answers|mmap\(\) failed" "$kp_app_log" || kp_fail "the sound failed"
  echo "the sound reached the server"
fi

kill -TERM "$app_pid"
kp_expect_exit 30 "on SIGTERM"
kp_expect_saved "$scratch/written.json" "$record"
