#!/usr/bin/env bash
# How soon the hidden island peeks when the pointer comes to it, and what the app costs at rest
# meanwhile. The whole app on a private display (openbox and picom), sound and music off; a probe
# moves the pointer with real input, as a hand would, from a resting place to the top centre, and
# times the island's window from the moment the pointer enters its zone until it is mapped:
#  - during work: three seconds of typing and pointer nudges before each try;
#  - after an idle stretch: no input for KP_PEEK_IDLE_SECONDS (60) before each try; over those
#    stretches it also measures the app's CPU and wake-ups beside oneko's (the rest cost).
# KP_PEEK_TRIES (20) tries of each. Fails when a peek never comes, when the worst peek takes
# 20 ms or more, or when the app at rest wakes more than 5 times a second or uses more of a core
# than oneko (plus 0.05 points of measuring grain).
# Usage: peek-delay.sh [build dir]   (benchmark-style arguments are ignored)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
tries=${KP_PEEK_TRIES:-20}
idle=${KP_PEEK_IDLE_SECONDS:-60}
probe=${KP_PEEK_PROBE:-$build/bench/island/island_peek_probe}
[ -x "$probe" ] || probe=$(cd "$build/.." && pwd)/bench/island/island_peek_probe
[ -x "$probe" ] || { echo "peek-delay: no island_peek_probe (libxcb-xtest0-dev missing at build time), skipped"; exit 0; }
kp_cost_setup "$build"
# A quick hide after each peek keeps the tries short; nothing else differs from the defaults.
kp_cost_settings soundOn=false musicOn=false peekIdleSeconds=1
kp_cost_start
sleep 8  # the greeting, then the island hides

oneko=$(command -v oneko || echo /usr/games/oneko)
ONEKO_PID=0
if [ -x "$oneko" ]; then
  "$oneko" >/dev/null 2>&1 &
  ONEKO_PID=$!
  pids+=($ONEKO_PID)
else
  echo "peek-delay: oneko missing (scripts/deps.sh --bench installs it), the rest cost has no reference"
fi
echo "peek-delay: load $(cut -d' ' -f1-3 /proc/loadavg) at the start"

rc=0
out=$KP_COST_SCRATCH/probe.log
"$probe" --mode work --tries "$tries" --pid "$APP_PID" | tee "$out" | grep -v ': try ' || rc=1
"$probe" --mode idle --tries "$tries" --idle "$idle" --pid "$APP_PID" --ref-pid "$ONEKO_PID" | tee -a "$out" | grep -v ': try ' || rc=1
echo "peek-delay: load $(cut -d' ' -f1-3 /proc/loadavg) at the end"

worst=$(sed -n 's/^peek delay .* worst \([0-9.]*\) ms.*/\1/p' "$out" | sort -g | tail -1)
[ -n "$worst" ] && awk -v w="$worst" 'BEGIN { exit !(w < 20) }' || { echo "peek-delay: the worst peek took ${worst:-forever} ms"; rc=1; }
read -r cpu wake < <(sed -n 's/^rest cost (island .*: app \([0-9.]*\)% of a core, \([0-9.]*\) wake-ups.*/\1 \2/p' "$out")
read -r ref < <(sed -n 's/^rest cost of oneko .*: \([0-9.]*\)% of a core.*/\1/p' "$out")
if [ -n "${cpu:-}" ]; then
  limit=$(awk -v r="${ref:-0.1}" 'BEGIN { printf "%.2f", (r > 0.1 ? r : 0.1) + 0.05 }')
  kp_cost_below "$cpu" "$limit" "peek-delay: CPU at rest" || rc=1
  awk -v w="$wake" 'BEGIN { exit !(w <= 5) }' || { echo "peek-delay: more than 5 wake-ups a second at rest"; rc=1; }
fi
exit $rc
