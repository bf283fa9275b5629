#!/usr/bin/env bash
# Runs every test through CTest inside a private desktop: Xvfb with a window manager, a compositor
# and a tray, all in a private D-Bus session. Everything started here is stopped on the way out.
# KP_TESTS=REGEX runs only the tests whose names match.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scratch=$(mktemp -d /tmp/kp-test.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# A private X server for the end-to-end tests.
source "$root/scripts/private-display.sh"
kp_start_display 90 "$scratch/xvfb.log"

inner=$(cat <<'INNER'
set -euo pipefail
openbox >/dev/null 2>&1 & wm=$!
picom --backend xrender >/dev/null 2>&1 & cm=$!
trayer --edge top --align right --widthtype pixel --width 80 --height 24 >/dev/null 2>&1 & tr=$!
# The desktop is ready once the window manager takes on windows and the tray has its place.
source "$KP_ROOT/scripts/private-display.sh"
kp_wait_for_manager
for _ in $(seq 600); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.1; done
rc=0
ctest --test-dir "$KP_BUILD" --output-on-failure -j "$(nproc)" ${KP_TESTS:+-R "$KP_TESTS"} || rc=$?
kill $wm $cm $tr 2>/dev/null || true
exit $rc
INNER
)
KP_BUILD=$build KP_ROOT=$root dbus-run-session -- bash -c "$inner"
