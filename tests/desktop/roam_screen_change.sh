#!/usr/bin/env bash
# The screen shrinks during an outing (xrandr on a private display and bus under openbox): the
# panel and the cat follow it. See RoamOutingCheck.cpp.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "no Xvfb: skipped"; exit 77; }
command -v openbox >/dev/null && command -v xrandr >/dev/null && command -v dbus-run-session >/dev/null ||
  { echo "openbox, xrandr or dbus-run-session missing: skipped"; exit 77; }
bin="$KP_BUILD_DIR/tests/desktop/roam_outing_check"
[ -x "$bin" ] || { echo "check not built"; exit 1; }

source "$(dirname "$0")/../support/e2e.sh"
kp_scratch_dir kp-roamscreen
KP_SCREEN_SIZE=1440x900 kp_start_display 190 "$scratch/xvfb.log"
openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
pids+=($!)
kp_wait_for_manager
kp_app_home "$scratch/home"
QT_QPA_PLATFORM=xcb dbus-run-session -- "$bin" screen
