#!/usr/bin/env bash
# Whole-app memory and CPU with KP_TAKES (10000) recordings of the settings window's sound in the
# Sounds folder, each a 1.9 KB file of five seconds: the island is opened, its gear opens the
# settings window, whose sound looks for its takes. Resident memory before the gear and once the
# takes are kept (or after KP_TAKES_WAIT seconds, 60); fails when it grew by 64 MB or more.
# Usage: many-takes.sh [build dir]   (benchmark-style arguments are ignored)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
kp_cost_setup "$build" --no-compositor
export KP_SOURCE_DIR=$here/../..
source "$here/../../tests/support/e2e.sh"
kp_pin_day
command -v xdotool >/dev/null || { echo "xdotool missing, skipped"; exit 0; }

if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
  export HOME=$KP_COST_SCRATCH
  source "$here/../../scripts/private-pulse.sh"
  kp_start_pulse "$KP_COST_SCRATCH" 1 || exit 1
  pids+=($PULSE_PID)
fi

takes=${KP_TAKES:-10000}
python3 - "$XDG_DATA_HOME/kettlepaw/Sounds" "$takes" <<'PY'
import math, os, sys, wave
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder, exist_ok=True)
rate = 376  # five seconds of 8-bit samples: 1880 bytes
frames = bytes(int(128 + 100 * math.sin(2 * math.pi * 40 * i / rate)) for i in range(5 * rate))
first = os.path.join(folder, "ui-open-0.wav")
with wave.open(first, "wb") as w:
    w.setnchannels(1); w.setsampwidth(1); w.setframerate(rate); w.writeframes(frames)
data = open(first, "rb").read()
if count == 0: os.remove(first)
for i in range(1, count):
    open(os.path.join(folder, f"ui-open-{i}.wav"), "wb").write(data)
PY

rss_mb() { echo $(( $(awk '/^VmRSS:/ { print $2 }' /proc/"$APP_PID"/status) / 1024 )); }
kp_cost_settings musicOn=false
kp_cost_start
kp_app_log=$KP_COST_SCRATCH/app.log
read -r W H < <(xdotool getdisplaygeometry)
xdotool mousemove $((W / 2)) $((H - 40))
kp_expect_island hidden 60 "the greeting ends" >/dev/null
xdotool mousemove $((W / 2)) 10
kp_expect_island '276x32+*' 20 "peek under the pointer" >/dev/null
xdotool click 1
kp_expect_island '640x160+*' 20 "open on a click" >/dev/null
kp_cost_measure 5
before=$COST_RSS_MB before_cpu=$COST_CPU

# The gear is the top bar's rightmost button.
IFS='x+' read -r iw _ ix _ <<<"$(kp_island_at)"
xdotool mousemove $((ix + iw - 20)) 20 click 1
kp_wait 20 eval '[ -n "$(xdotool search --onlyvisible --name "^Settings\$" 2>/dev/null)" ]' ||
  kp_fail "the gear did not open the settings window"
gear=$(date +%s)
kept=no
kp_wait "${KP_TAKES_WAIT:-60}" grep -q "recordings of ui-open are not played" "$kp_app_log" && kept=yes
waited=$(($(date +%s) - gear))
kp_cost_measure 10
echo "many-takes: $takes takes; island open ${before} MB, ${before_cpu}% of one core; ${waited} s after the gear (takes kept: $kept)" \
  "${COST_RSS_MB} MB, ${COST_CPU}% of one core over the next 10 s"
[ $((COST_RSS_MB - before)) -lt 64 ] || { echo "many-takes: grew by $((COST_RSS_MB - before)) MB"; exit 1; }
