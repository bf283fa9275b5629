#!/usr/bin/env bash
# Idle cost of the whole app with the island hidden: starts it on a private X display (window
# manager and compositor when installed), waits for the greeting to end, then measures the CPU
# time it uses over 60 s (KP_IDLE_SECONDS) and its resident memory. Fails at 0.5% of one core or
# 60 MB or more.
# KP_IDLE_AFTER_OPEN=1 first opens the island on its room for a few seconds (with xdotool), so the
# measure covers a room that has been built and put away.
# Usage: idle-cpu.sh [build dir]   (benchmark-style arguments are ignored)
set -uo pipefail
build=${KP_BUILD_DIR:-}
for a in "$@"; do case $a in --*) ;; *) build=$a ;; esac; done
here=$(cd "$(dirname "$0")" && pwd)
[ -n "$build" ] || build=$(cd "$here/.." && pwd)   # installed beside the benchmarks: build/bench
[ -x "$build/src/app/kettlepaw" ] || build=$(cd "$build/.." && pwd)
app=$build/src/app/kettlepaw
[ -x "$app" ] || { echo "idle-cpu: no app under $build"; exit 1; }
command -v Xvfb >/dev/null || { echo "idle-cpu: Xvfb missing, skipped"; exit 0; }
seconds=${KP_IDLE_SECONDS:-60}

scratch=$(mktemp -d /tmp/kp-idle.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

source "$here/../../scripts/private-display.sh"
kp_start_display 110 /dev/null
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & pids+=($!); }
command -v picom >/dev/null && { picom --backend xrender >/dev/null 2>&1 & pids+=($!); }

export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
after_open=${KP_IDLE_AFTER_OPEN:-}
if [ -n "$after_open" ] && ! command -v xdotool >/dev/null; then echo "idle-cpu: xdotool missing, room not opened"; after_open=; fi
extra=${KP_IDLE_SETTINGS:-}
[ -n "$after_open" ] && extra="openIdleSeconds=2
peekIdleSeconds=3
$extra"
printf '[General]\nonboardedV1=true\n%s\n' "$extra" >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
unset QT_QPA_PLATFORM
"$app" >/dev/null 2>&1 &
app_pid=$!
pids+=($app_pid)
sleep 8  # the greeting, then the island hides
if [ -n "$after_open" ]; then
  read -r W H < <(xdotool getdisplaygeometry)
  xdotool mousemove $((W / 2)) 3; sleep 1
  xdotool click 1; sleep 4   # the room, drawn at 60 Hz
  xdotool mousemove $((W / 2)) $((H - 40))
  sleep 9  # collapses after 2 s, hides 3 s later
fi

# CPU nanoseconds of the whole app, threads that have ended included (the process's user and
# system time; a thread's own counters would go when it ends, an audio stream's for one).
hz=$(getconf CLK_TCK)
cpu_ns() { awk -v hz="$hz" '{ sub(/^.*\) /, ""); printf "%.0f", ($12 + $13) * 1e9 / hz }' /proc/"$app_pid"/stat; }
t0=$(cpu_ns)
sleep "$seconds"
t1=$(cpu_ns)
percent=$(awk -v a="$t0" -v b="$t1" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * (b - a) / 1e9 / s }')
rss_kb=$(awk '/^VmRSS:/ { print $2 }' /proc/"$app_pid"/status)
echo "idle-cpu: ${percent}% of one core over ${seconds} s with the island hidden${after_open:+ (after the room showed)}, $((rss_kb / 1024)) MB resident"
awk -v p="$percent" 'BEGIN { exit !(p < 0.5) }' || { echo "idle-cpu: 0.5% or more"; exit 1; }
[ "$rss_kb" -lt $((60 * 1024)) ] || { echo "idle-cpu: 60 MB or more resident"; exit 1; }
