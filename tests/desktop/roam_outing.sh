#!/usr/bin/env bash
# Two outings on a private display and bus under openbox: one that starts with a compositor (which
# then stops) and one that starts without (and one then starts). See RoamOutingCheck.cpp.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "no Xvfb: skipped"; exit 77; }
command -v openbox >/dev/null && command -v picom >/dev/null && command -v xdotool >/dev/null &&
  command -v xmessage >/dev/null && command -v dbus-run-session >/dev/null ||
  { echo "openbox, picom, xdotool, xmessage or dbus-run-session missing: skipped"; exit 77; }
bin="$KP_BUILD_DIR/tests/desktop/roam_outing_check"
[ -x "$bin" ] || { echo "check not built"; exit 1; }

source "$(dirname "$0")/../../scripts/private-display.sh"
kp_scratch_dir kp-roamout

rc=0
for first in ${KP_ROAM_OUTING_ONLY:-bare compositor}; do
  kp_start_display $([ $first = bare ] && echo 170 || echo 180) "$scratch/xvfb-$first.log"
  openbox --sm-disable >"$scratch/openbox-$first.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done
  export XDG_CONFIG_HOME="$scratch/$first/config" XDG_DATA_HOME="$scratch/$first/data"
  export XDG_RUNTIME_DIR="$scratch/$first/run" TZ=UTC
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  echo "--- an outing that starts $([ $first = bare ] && echo without || echo with) a compositor"
  # A bus of its own: a stand-in KWin on it reaches no one else.
  QT_QPA_PLATFORM=xcb dbus-run-session -- "$bin" "$first" || rc=1
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
done
exit $rc
