#!/usr/bin/env bash
# End to end on a private desktop with a dock-type panel 30 px tall across the top: the island
# shows below the panel, pointing at the panel's middle (where its clock would be) peeks nothing,
# and the island's own zone below it does. Then, with the island open, the compositor stops: the
# collapsed island keeps its rounded corners (the desktop shows beside them, not black).
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
for tool in xdotool xwininfo xprop openbox; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
build=${KP_BUILD_DIR:?}
app=$build/src/app/kettlepaw
desk=$build/tests/island/desk_helper
[ -x "$app" ] && [ -x "$desk" ] || { echo "no app or desk helper under $build"; exit 1; }

scratch=$(mktemp -d /tmp/kp-top-panel.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/private-display.sh"
kp_start_display 130 "$scratch/xvfb.log"
openbox >/dev/null 2>&1 & pids+=($!)
picom=
if command -v picom >/dev/null; then picom --backend xrender >/dev/null 2>&1 & picom=$!; pids+=($picom); fi
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

fail() { echo "FAIL: $*"; exit 1; }
# Waits up to $2 seconds for a command ($1) to succeed.
wait_for() {
  for _ in $(seq $(($2 * 10))); do eval "$1" && return 0; sleep 0.1; done
  return 1
}

"$desk" --root 3366aa --dock 30 & pids+=($!)
wait_for 'xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= 0, 30,"' 10 || fail "the window manager kept no room for the panel"

island() { xdotool search --name '^Kettlepaw Island$' 2>/dev/null | head -1; }
# "WxH+X+Y" while the island is mapped, "hidden" otherwise.
island_at() {
  local id info; id=$(island)
  [ -n "$id" ] || { echo hidden; return; }
  info=$(xwininfo -id "$id" 2>/dev/null)
  grep -q IsViewable <<<"$info" || { echo hidden; return; }
  awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2}
    END { printf "%sx%s+%s+%s\n", w, h, x, y }' <<<"$info"
}
expect() {  # pattern seconds why
  want=$1
  wait_for '[[ "$(island_at)" == $want ]]' "$2" || fail "island should be $1, is $(island_at) ($3)"
  echo "island: $(island_at) ($3)"
}
# The colour of one screen pixel as "r g b".
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
xdotool mousemove "$cx" $((H - 40))
cat >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf" <<CONF
[General]
onboardedV1=true
openIdleSeconds=2
peekIdleSeconds=3
soundOn=false
musicOn=false
CONF
"$app" >"$scratch/app.log" 2>&1 & pids+=($!)

expect '360x62+*+30' 10 "the greeting below the panel"
expect hidden 10 "the greeting ends"
# The panel's middle: the pointer rests there well past the hidden island's slowest poll.
xdotool mousemove "$cx" 12
sleep 1.5
[ "$(island_at)" = hidden ] || fail "pointing at the panel peeked the island: $(island_at)"
xdotool mousemove "$cx" 33
expect '276x32+*+30' 3 "peek from just below the panel"

xdotool click 1
expect '640x160+*+30' 3 "open on a click"
if [ -n "$picom" ] && command -v import >/dev/null; then
  kill "$picom"; wait "$picom" 2>/dev/null
  xdotool mousemove "$cx" $((H - 40))
  expect '276x32+*+30' 6 "collapse without the compositor"
  sleep 0.5  # the last frame of the collapse
  x=$((cx - 138)) y=$((30 + 32 - 1))
  got=$(pixel "$x" "$y")
  [ -n "${KP_SHOT:-}" ] && import -window root -crop 400x120+520+0 "$KP_SHOT"
  [ "$got" = "51 102 170" ] || fail "the collapsed island's corner at $x,$y is ($got), not the desktop"
  got=$(pixel $((cx - 100)) $((30 + 16)))
  [ "$got" = "0 0 0" ] || fail "the collapsed island's middle is ($got), not black"
fi
echo "top panel: ok"
