# Sourced by the whole-app cost scripts under bench/. Starts the app on a private X display and
# measures it as a ratio of one core, its wake-ups and its resident memory.
#
#   kp_cost_args "$@"                                  sets `build` (the first plain argument) and `mode`
#                                                      (--compositor / --no-compositor, or neither)
#   kp_cost_each_compositor                            with neither given, runs the script once with and
#                                                      once without a compositor and exits with both
#   kp_cost_setup BUILD [--no-compositor] [--no-wm]   display, window manager, compositor, scratch dirs
#   kp_cost_settings 'key=value' ...                   lines for the [General] block (before the start)
#   kp_cost_start [env...]                             starts the app; APP_PID is set
#   kp_cost_measure SECONDS                            sets COST_CPU (% of one core), COST_WAKE (wake-ups
#                                                      a second, all threads) and COST_RSS_MB
#   kp_cost_server_cpu                                 the X server's share over the last measure
# Everything started is stopped on exit. KP_COST_YARDSTICK names a command (a reference panel) that
# then runs on the same display, so the app's figures can be given as a ratio of it.
set -uo pipefail
_kp_cost_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pids=()
_kp_cost_cleanup() {
  if [ -n "${KP_COST_YARDSTICK:-}" ] && [ -n "${XSERVER_PID:-}" ]; then
    # The app and the pointer's helper go; the window manager and the compositor stay as they were.
    kill "${APP_PID:-}" 2>/dev/null
    for p in "${pids[@]}"; do [ "$(cat /proc/$p/comm 2>/dev/null)" = bash ] && kill "$p" 2>/dev/null; done
    $KP_COST_YARDSTICK 2>&1 | sed 's/^/yardstick on the same display: /'
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  [ -n "${KP_COST_SCRATCH:-}" ] && rm -rf "$KP_COST_SCRATCH"
}
trap _kp_cost_cleanup EXIT

kp_cost_args() {
  build=${KP_BUILD_DIR:-} mode=()
  local a
  for a in "$@"; do
    case $a in --no-compositor) mode=(--no-compositor) ;; --compositor) mode=(--compositor) ;; --*) ;; *) build=$a ;; esac
  done
  [ -n "$build" ] || build=$(cd "$(dirname "$0")/.." && pwd)   # installed beside the benchmarks
}

kp_cost_each_compositor() {
  if [ ${#mode[@]} = 0 ]; then
    local rc=0
    bash "$0" "$build" --compositor || rc=1
    bash "$0" "$build" --no-compositor || rc=1
    exit $rc
  fi
  [ "${mode[0]}" = --compositor ] && mode=()
  return 0
}

kp_cost_setup() {
  local build=$1; shift
  local compositor=1 wm=1
  for a in "$@"; do
    case $a in --no-compositor) compositor=0 ;; --no-wm) wm=0; compositor=0 ;; esac
  done
  [ -x "$build/src/app/kettlepaw" ] || build=$(cd "$build/.." && pwd)
  KP_COST_APP=$build/src/app/kettlepaw
  [ -x "$KP_COST_APP" ] || { echo "no app under $build"; exit 1; }
  command -v Xvfb >/dev/null || { echo "Xvfb missing, skipped"; exit 0; }
  KP_COST_SCRATCH=$(mktemp -d /tmp/kp-cost.XXXXXX)
  source "$_kp_cost_here/../../scripts/private-display.sh"
  kp_start_display 110 /dev/null
  XSERVER_PID=${pids[-1]}
  if [ $wm = 1 ] && command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & pids+=($!); fi
  if [ $compositor = 1 ] && command -v picom >/dev/null; then picom --backend xrender >/dev/null 2>&1 & pids+=($!); fi
  export XDG_CONFIG_HOME=$KP_COST_SCRATCH/config XDG_DATA_HOME=$KP_COST_SCRATCH/data
  export XDG_RUNTIME_DIR=$KP_COST_SCRATCH/run
  mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  KP_COST_SETTINGS="onboardedV1=true"
  unset QT_QPA_PLATFORM
}

kp_cost_settings() {
  local l
  for l in "$@"; do KP_COST_SETTINGS="$KP_COST_SETTINGS
$l"; done
}

kp_cost_start() {
  printf '[General]\n%s\n' "$KP_COST_SETTINGS" >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
  env "$@" "$KP_COST_APP" >"$KP_COST_SCRATCH/app.log" 2>&1 &
  APP_PID=$!
  pids+=($APP_PID)
}

_kp_hz=$(getconf CLK_TCK)
# CPU nanoseconds of a process, threads that have ended included.
kp_cost_cpu_ns() { awk -v hz="$_kp_hz" '{ sub(/^.*\) /, ""); printf "%.0f", ($12 + $13) * 1e9 / hz }' /proc/"$1"/stat; }
# "tid count" lines: voluntary context switches (wake-ups) of each live thread.
_kp_switches() {
  local t
  for t in /proc/"$1"/task/*; do
    awk -v t="${t##*/}" '/^voluntary_ctxt_switches:/ { print t, $2 }' "$t/status" 2>/dev/null
  done
}

kp_cost_measure() {
  local seconds=$1 c0 c1 w0 w1 x0 x1
  c0=$(kp_cost_cpu_ns "$APP_PID"); w0=$(_kp_switches "$APP_PID"); x0=$(kp_cost_cpu_ns "$XSERVER_PID")
  sleep "$seconds"
  c1=$(kp_cost_cpu_ns "$APP_PID"); w1=$(_kp_switches "$APP_PID"); x1=$(kp_cost_cpu_ns "$XSERVER_PID")
  COST_CPU=$(awk -v a="$c0" -v b="$c1" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * (b - a) / 1e9 / s }')
  COST_XCPU=$(awk -v a="$x0" -v b="$x1" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * (b - a) / 1e9 / s }')
  # Threads that started during the measure count from zero; those that ended are not seen.
  COST_WAKE=$(awk -v s="$seconds" 'NR == FNR { a[$1] = $2; next } { d += $2 - ($1 in a ? a[$1] : 0) }
    END { printf "%.1f", d / s }' <(echo "$w0") <(echo "$w1"))
  COST_RSS_MB=$(( $(awk '/^VmRSS:/ { print $2 }' /proc/"$APP_PID"/status) / 1024 ))
}

# Fails the script with a message when $1 (a percentage) is not below $2.
kp_cost_below() {
  awk -v p="$1" -v m="$2" 'BEGIN { exit !(p < m) }' || { echo "$3: $1% is over $2%"; return 1; }
}
