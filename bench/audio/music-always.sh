#!/usr/bin/env bash
# Whole-app cost with "Always play" on and the island hidden, the music going to a private
# PulseAudio null sink (the silent stand-in when PulseAudio is missing). Fails at 1% of one core.
# Usage: music-always.sh [build dir]   (benchmark-style arguments are ignored)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
kp_cost_setup "$build"

if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
  export HOME=$KP_COST_SCRATCH
  source "$here/../../scripts/private-pulse.sh"
  kp_start_pulse "$KP_COST_SCRATCH" 2 || exit 1  # stereo: the music plays in stereo
  pids+=($PULSE_PID)
  where="a null sink"
else
  where="no sound server (PulseAudio missing)"
fi

kp_cost_settings musicAlways=true musicVolume=0.5
kp_cost_start
sleep 12  # the greeting ends, the island hides, the music has faded in
kp_cost_measure "${KP_MUSIC_SECONDS:-30}"
echo "music-always: ${COST_CPU}% of one core, ${COST_WAKE} wake-ups/s, ${COST_RSS_MB} MB, island hidden, music on $where"
if [ -n "${KP_MUSIC_THREADS:-}" ]; then
  for t in /proc/"$APP_PID"/task/*; do
    awk -v hz="$(getconf CLK_TCK)" '{ n=$2; sub(/^.*\) /, ""); printf "%s %.1f s\n", n, ($12 + $13) / hz }' "$t/stat"
  done
fi
kp_cost_below "$COST_CPU" 1 music-always
