#!/usr/bin/env bash
# Developer tool: a private display with openbox and a few windows, the cat sent out on it, and a
# PNG a second in the folder given (default /tmp/roam-demo).
set -euo pipefail
build=${KP_BUILD_DIR:-$(dirname "$0")/../../build}
out=${1:-/tmp/roam-demo}
seconds=${2:-10}
mkdir -p "$out"
scratch=$(mktemp -d /tmp/kp-roamdemo.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/private-display.sh"
kp_start_display 160 "$scratch/xvfb.log"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
xmessage -geometry 700x300+150+350 "A window to walk on" >/dev/null 2>&1 &
pids+=($!)
xmessage -geometry 500x250+650+500 "Another one in front" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb "$build/tests/desktop/roam_outing_demo" "$out" "$seconds"
