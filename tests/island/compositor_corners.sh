#!/usr/bin/env bash
# The open island's corners as compositors stop and start, on a private display and bus under
# openbox. See IslandCornersCheck.cpp.
set -uo pipefail
command -v Xvfb >/dev/null || { echo "no Xvfb: skipped"; exit 77; }
for tool in openbox picom dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
bin="${KP_BUILD_DIR:?}/tests/island/island_corners_check"
[ -x "$bin" ] || { echo "check not built"; exit 1; }
source "${KP_SOURCE_DIR:?}/scripts/private-display.sh"
kp_scratch_dir kp-corners
kp_start_display 160 "$scratch/xvfb.log" || exit 1
openbox --sm-disable >"$scratch/openbox.log" 2>&1 & pids+=($!)
kp_wait_for_manager || exit 1
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/run TZ=UTC
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb dbus-run-session -- "$bin"
