#!/usr/bin/env bash
# Cost of the whole app while the story film plays: starts it as on a first run (the island opens
# on the film) on a private X display with a window manager (and a compositor unless
# --no-compositor), then measures the app's CPU time over 18 s of the film (KP_FILM_SECONDS).
# Fails when the app uses 15% of one core or more. KP_FILM_SCALE=2 measures at that scale.
# Usage: film-cpu.sh [build dir] [--compositor | --no-compositor]   (other --options are ignored);
# with neither, both are measured, each on a display of its own.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
kp_cost_args "$@"
kp_cost_each_compositor
seconds=${KP_FILM_SECONDS:-18}

kp_cost_setup "$build" "${mode[@]}"
KP_COST_SETTINGS="onboardedV1=false"  # a new cat: the film opens the first run
kp_cost_start ${KP_FILM_SCALE:+QT_SCALE_FACTOR=$KP_FILM_SCALE}
sleep 3  # the app starts and the island opens on the film
kp_cost_measure "$seconds"
echo "film ${mode[*]:-with compositor}: app $COST_CPU% of one core, X server $COST_XCPU%, $COST_WAKE wake-ups/s, $COST_RSS_MB MB"
kp_cost_below "$COST_CPU" 15 "film ${mode[*]:-with compositor}"
