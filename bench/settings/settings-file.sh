#!/usr/bin/env bash
# What a big settings file costs the whole app: for a usual file and for files of foreign keys
# grown to KP_SETTINGS_FILE_SIZES (default: 64000 bytes, 10 MB and 30 MB), measures the time from
# launch until the island answers a window manager's ping, the longest wait for an answer over
# the next KP_SETTINGS_FILE_SECONDS (70) seconds, the pointer moving every two seconds (so the
# time spent together is written once a minute) and an edit made to the file by hand half-way,
# then the app's peak memory and the time from SIGTERM to its exit (with its last write). Only
# prints; fails when the app does not come up.
# Usage: settings-file.sh [build dir]   (benchmark-style arguments are ignored)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
probe=${KP_PING_PROBE:-$build/bench/settings/settings_ping_probe}
[ -x "$probe" ] || probe=$(cd "$build/.." && pwd)/bench/settings/settings_ping_probe
[ -x "$probe" ] || { echo "settings-file: no settings_ping_probe, skipped"; exit 0; }
command -v xdotool >/dev/null || { echo "settings-file: xdotool missing, skipped"; exit 0; }
seconds=${KP_SETTINGS_FILE_SECONDS:-70}
kp_cost_setup "$build" --no-compositor
conf=$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf
now() { date +%s.%N; }

rc=0
for size in 0 ${KP_SETTINGS_FILE_SIZES:-64000 10485760 31457280}; do
  rm -rf "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" && mkdir -p "$XDG_CONFIG_HOME/kettlepaw"
  python3 - "$conf" "$size" <<'PY'
import sys
path, size = sys.argv[1], int(sys.argv[2])
out = ["[General]", "onboardedV1=true", "soundOn=false", "musicOn=false", "petName=Mochi"]
length = sum(len(l) + 1 for l in out)
n = 0
while length < size - 40:
    line = f"k{n}=v{n}"
    out.append(line)
    length += len(line) + 1
    n += 1
open(path, "w").write("\n".join(out) + "\n")
PY
  launched=$(now)
  "$KP_COST_APP" >"$KP_COST_SCRATCH/app-$size.log" 2>&1 &
  APP_PID=$!
  pids+=($APP_PID)
  out=$KP_COST_SCRATCH/probe-$size.log
  "$probe" --since "$launched" --seconds "$seconds" >"$out" 2>&1 &
  probe_pid=$!
  until grep -q answered "$out" || ! kill -0 $probe_pid 2>/dev/null; do sleep 0.05; done
  for ((t = 0; t < seconds; t += 2)); do
    xdotool mousemove $((100 + t * 5)) 500
    # Half-way through the measure, an edit by hand: a key added at the end.
    [ $t = $((seconds / 4 * 2)) ] && echo "editedByHand=true" >>"$conf"
    sleep 2
  done
  wait $probe_pid || { echo "settings-file: $size bytes: $(cat "$out")"; rc=1; }
  peak=$(awk '/^VmHWM:/ { printf "%d MB", $2 / 1024 }' /proc/"$APP_PID"/status)
  stopped=$(now)
  kill -TERM "$APP_PID"
  while grep -qs '^State:[^Z]*$' /proc/$APP_PID/status; do sleep 0.005; done
  quit=$(awk -v a="$stopped" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }')
  wait "$APP_PID" 2>/dev/null
  echo "settings-file: $size bytes: $(tr '\n' ',' <"$out" | sed 's/,$//; s/,/, /g'), peak $peak, quit after $quit s, $(wc -c <"$conf") bytes after"
done
exit $rc
