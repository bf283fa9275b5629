#!/usr/bin/env bash
# The X11 window list on a private display: first with no window manager, then under openbox.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "no Xvfb: skipped"; exit 77; }
bin="$KP_BUILD_DIR/tests/platform/window_list_probe"
[ -x "$bin" ] || { echo "probe not built"; exit 1; }

source "$(dirname "$0")/../../scripts/private-display.sh"
kp_scratch_dir kp-winlist
kp_start_display 140 "$scratch/xvfb.log"

echo "--- without a window manager"
"$bin" bare
echo "--- frames made by hand, as managers make them"
"$bin" frames
echo "--- lists longer than any kept whole"
"$bin" crowd

command -v openbox >/dev/null || { echo "no openbox: the managed half skipped"; exit 0; }
openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm=$!
pids+=($wm)
kp_wait_for_manager
echo "--- under openbox"
"$bin" managed
