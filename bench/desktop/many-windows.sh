#!/usr/bin/env bash
# Cost of an outing on a crowded desktop: for each count in KP_WINDOW_COUNTS (default "10 2000
# 5000"), on a display of its own under openbox, makes that many small windows and one large one
# that keeps moving (bench/desktop/ManyWindows.cpp), lets the cat out from the island's menu and
# measures the app's main thread over KP_MANY_SECONDS (default 20) and how long it keeps a ping
# waiting: while the cat goes out (its first read of the windows), while it is out, and while an
# application opens and closes a window twice mid-outing; the reference panel then runs on the same
# display. Last, between outings (roaming
# switched off after one outing), the X server's memory growth over a minute while the window moves
# fast (a move every 2 ms, as a drag across the screen on a quick pointer).
# Fails when the main thread's share with the most windows is over three times that with the fewest
# (plus one point), or when the X server grows by 1 MB a minute or more between outings.
# Usage: many-windows.sh [build dir]   (--options are ignored)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
command -v xdotool >/dev/null || { echo "many-windows: xdotool missing, skipped"; exit 0; }
command -v openbox >/dev/null || { echo "many-windows: openbox missing, skipped"; exit 0; }
seconds=${KP_MANY_SECONDS:-20}
counts=${KP_WINDOW_COUNTS:-10 2000 5000}
[ -x "$build/src/app/kettlepaw" ] || build=$(cd "$build/.." && pwd)
crowd=$build/bench/desktop/many_windows
ping=$build/bench/settings/settings_ping_probe
server=$build/bench/desktop/server_wait
[ -x "$crowd" ] && [ -x "$ping" ] && [ -x "$server" ] || { echo "many-windows: helpers not built under $build"; exit 1; }

# The cat goes out from the island's menu; true once its panel is shown. The panel is looked for
# among the root's children only, and then by its id: a walk of the whole tree asks for every
# window's name, which takes seconds on a crowded desktop.
panel=
out() {
  [ -n "$panel" ] || panel=$(xdotool search --maxdepth 1 --name '^Kettlepaw Roaming$' 2>/dev/null | head -1)
  [ -n "$panel" ] && xwininfo -id "$panel" 2>/dev/null | grep -q IsViewable
}
send_out() {
  read -r W H < <(xdotool getdisplaygeometry)
  local try deadline
  for try in 1 2 3; do
    xdotool mousemove $((W / 2)) 3; sleep 1.5   # the island wakes under the pointer
    xdotool click 3; sleep 1                    # its menu
    xdotool key Down Return                     # "Let him out now"
    xdotool mousemove 20 $((H - 20))
    deadline=$(($(date +%s) + 60))
    until [ "$(date +%s)" -ge $deadline ]; do out && return 0; sleep 0.5; done
    xdotool key Escape
  done
  return 1
}
# The reference panel beside the project (shared/ lies beside the checkout, or beside its worktrees).
refpanel=
for d in "$here/../../../shared" "$here/../../../../shared"; do
  [ -x "$d/tools/refpanel/run" ] && { refpanel=$d/tools/refpanel/run; break; }
done
thread_cpu_ns() { kp_cost_cpu_ns "$1/task/$1"; }

# One count: prints "N windows: main thread M% ..." and sets MAIN.
one() {
  local n=$1
  kp_cost_setup "$build" --no-compositor
  "$crowd" --count "$n" >"$KP_COST_SCRATCH/crowd.log" 2>&1 & pids+=($!)
  local crowd_pid=$! waited=0
  until grep -qs ready "$KP_COST_SCRATCH/crowd.log"; do
    sleep 0.2; waited=$((waited + 1))
    [ $waited -lt 1500 ] || { echo "many-windows: $n windows were not shown"; exit 1; }
  done
  kp_cost_settings 'desktopRoam=false' 'openIdleSeconds=2' 'peekIdleSeconds=3' 'soundOn=false' 'musicOn=false'
  kp_cost_start KP_TEST_SEED=7
  sleep 8  # the greeting, then the island hides
  # The longest wait from the menu to a few seconds after the cat is out; the X server's own
  # beside it (a wait of the server holds up every client, not only the app).
  "$ping" --seconds 15 >"$KP_COST_SCRATCH/start.log" 2>&1 & local probe=$!
  "$server" --seconds 15 >"$KP_COST_SCRATCH/start-server.log" 2>&1 & local server_probe=$!
  send_out || { echo "many-windows: the cat did not go out ($n windows)"; exit 1; }
  wait $probe $server_probe
  "$ping" --seconds "$seconds" >"$KP_COST_SCRATCH/ping.log" 2>&1 & probe=$!
  local m0 m1
  m0=$(thread_cpu_ns "$APP_PID")
  kp_cost_measure "$seconds"
  m1=$(thread_cpu_ns "$APP_PID")
  wait $probe
  out || echo "many-windows: the cat came home before the measure ended"
  # An application opens a window and closes it again, twice.
  "$ping" --seconds 10 >"$KP_COST_SCRATCH/open.log" 2>&1 & probe=$!
  "$server" --seconds 10 >"$KP_COST_SCRATCH/open-server.log" 2>&1 & server_probe=$!
  sleep 1
  for _ in 1 2; do kill -USR1 "$crowd_pid"; sleep 2; kill -USR2 "$crowd_pid"; sleep 2; done
  wait $probe $server_probe
  MAIN=$(awk -v a="$m0" -v b="$m1" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * (b - a) / 1e9 / s }')
  echo "$n windows (load $(cut -d' ' -f1 /proc/loadavg)): main thread $MAIN% of one core, app $COST_CPU%," \
       "X server $COST_XCPU%, ping median $(awk '/median/ { print $3 }' "$KP_COST_SCRATCH/ping.log") ms" \
       "worst $(awk '/worst/ { print $3 }' "$KP_COST_SCRATCH/ping.log") ms, $COST_RSS_MB MB;" \
       "worst ping wait while going out $(awk '/worst/ { print $3 }' "$KP_COST_SCRATCH/start.log") ms" \
       "(X server $(awk '/worst/ { print $4 }' "$KP_COST_SCRATCH/start-server.log") ms)," \
       "while windows open and close $(awk '/worst/ { print $3 }' "$KP_COST_SCRATCH/open.log") ms" \
       "(X server $(awk '/worst/ { print $4 }' "$KP_COST_SCRATCH/open-server.log") ms)"
  [ -n "$refpanel" ] && REFPANEL_ONLY=floor "$refpanel" 10 2>&1 | sed 's/^/  on the same display: /'
}

# Between outings: one outing, roaming off so the cat comes home and none follows, then the X
# server's growth over a minute while the window keeps moving.
between() {
  kp_cost_setup "$build" --no-compositor
  "$crowd" --count 10 --interval-ms 2 >"$KP_COST_SCRATCH/crowd.log" 2>&1 & pids+=($!)
  until grep -qs ready "$KP_COST_SCRATCH/crowd.log"; do sleep 0.2; done
  kp_cost_settings 'desktopRoam=true' 'openIdleSeconds=2' 'peekIdleSeconds=3' 'soundOn=false' 'musicOn=false'
  kp_cost_start KP_TEST_SEED=7
  sleep 8
  send_out || { echo "many-windows: the cat did not go out"; exit 1; }
  sleep 5
  sed -i 's/^desktopRoam=true/desktopRoam=false/' "$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
  # The panel goes with the cat: gone or hidden, it is home.
  local waited=0
  while out; do
    sleep 0.2; waited=$((waited + 1))
    [ $waited -lt 300 ] || { echo "many-windows: the cat did not come home"; exit 1; }
  done
  sleep 10  # home, settled
  local r0 r1
  r0=$(awk '/^VmRSS:/ { print $2 }' /proc/"$XSERVER_PID"/status)
  sleep 60
  r1=$(awk '/^VmRSS:/ { print $2 }' /proc/"$XSERVER_PID"/status)
  GROWTH=$(awk -v a="$r0" -v b="$r1" 'BEGIN { printf "%.2f", (b - a) / 1024 }')
  echo "between outings, a window moving: X server grew $GROWTH MB in a minute ($((r1 / 1024)) MB)"
}

first= last=
for n in $counts; do
  ( trap _kp_cost_cleanup EXIT; one "$n"; echo "MAIN=$MAIN" >"/tmp/kp-many-$$.$n" )
  [ -n "$first" ] || first=$n
  last=$n
done
( trap _kp_cost_cleanup EXIT; between; echo "GROWTH=$GROWTH" >"/tmp/kp-many-$$.between" )
rc=0
lo=$(sed -n 's/^MAIN=//p' "/tmp/kp-many-$$.$first" 2>/dev/null)
hi=$(sed -n 's/^MAIN=//p' "/tmp/kp-many-$$.$last" 2>/dev/null)
growth=$(sed -n 's/^GROWTH=//p' "/tmp/kp-many-$$.between" 2>/dev/null)
rm -f /tmp/kp-many-$$.*
if [ -n "$lo" ] && [ -n "$hi" ]; then
  awk -v a="$lo" -v b="$hi" 'BEGIN { exit !(b <= 3 * a + 1) }' ||
    { echo "many-windows: the main thread takes $hi% with $last windows, $lo% with $first"; rc=1; }
else
  rc=1
fi
if [ -n "$growth" ]; then
  awk -v g="$growth" 'BEGIN { exit !(g < 1) }' ||
    { echo "many-windows: the X server grew $growth MB in a minute between outings"; rc=1; }
else
  rc=1
fi
exit $rc
