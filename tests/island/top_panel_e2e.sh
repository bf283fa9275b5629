#!/usr/bin/env bash
# End to end on a private desktop with a dock-type panel 30 px tall across the top: the island
# shows below the panel, pointing at the panel's middle (where its clock would be) peeks nothing,
# and the island's own zone below it does. Then, with the island open, the compositor stops: the
# collapsed island keeps its rounded corners (the desktop shows beside them, not black).
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
for tool in xdotool xwininfo xprop openbox import; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
desk=${KP_BUILD_DIR:?}/tests/island/desk_helper
[ -x "$KP_BUILD_DIR/src/app/kettlepaw" ] && [ -x "$desk" ] || { echo "no app or desk helper under $KP_BUILD_DIR"; exit 1; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_scratch_dir kp-top-panel
kp_start_display 130 "$scratch/xvfb.log" || exit 1
openbox >/dev/null 2>&1 & pids+=($!)
picom=
if command -v picom >/dev/null; then picom --backend xrender >/dev/null 2>&1 & picom=$!; pids+=($picom); fi
kp_app_home "$scratch"

"$desk" 3366aa 30 & pids+=($!)
kp_wait 10 eval 'xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= 0, 30,"' || kp_fail "the window manager kept no room for the panel"
# The colour of one screen pixel as "r g b".
pixel() { kp_pixels "$1" "$2" 1 1; }

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
xdotool mousemove "$cx" $((H - 40))
# The collapsed island stays out while it is looked at.
printf '[General]\nonboardedV1=true\nopenIdleSeconds=2\npeekIdleSeconds=60\nsoundOn=false\nmusicOn=false\n' >"$conf"
kp_start_app "$scratch/app.log"

kp_expect_island '360x62+*+30' 60 "the greeting below the panel"
kp_expect_island hidden 20 "the greeting ends"
# The panel's middle: the pointer rests there well past the hidden island's slowest poll.
xdotool mousemove "$cx" 12
kp_never 2 eval '[ "$(kp_island_at)" != hidden ]' || kp_fail "pointing at the panel peeked the island: $(kp_island_at)"
xdotool mousemove "$cx" 33
kp_expect_island '276x32+*+30' 10 "peek from just below the panel"
kp_wait 10 eval '[ "$(pixel $((cx - 100)) 46)" = "0 0 0" ]' || kp_fail "the peeking island is not black: $(pixel $((cx - 100)) 46)"

kp_click_until "$cx" 33 1 "open on a click" '640x160+*+30'
# The open room shows; the screen covered all over for a moment and bared again, the room is
# shown as it was, not in the cover's colour.
room_survives_cover() {
  kp_expect_pixels "the open room does not show ($1)" 40000 kp_count_lit $((cx - 320)) 30 640 160
  command -v xrefresh >/dev/null || return 0
  area=($((cx - 300)) 80 200 60)
  before=$(kp_pixels "${area[@]}")
  xrefresh -solid '#ff00ff'
  same() { paste -d' ' <(echo "$before") <(kp_pixels "${area[@]}") | awk '$1 == $4 && $2 == $5 && $3 == $6 { n++ } END { print n + 0 }'; }
  kp_expect_pixels "the room is not shown again after the cover ($1)" 10000 same
  [ "$(kp_count_colour $((cx - 320)) 30 640 160 255 0 255)" = 0 ] || kp_fail "the cover's colour stays on the room ($1)"
}
room_survives_cover "$([ -n "$picom" ] && echo "with a compositor" || echo "without a compositor")"
if [ -n "$picom" ]; then
  kill "$picom"; wait "$picom" 2>/dev/null
  xdotool mousemove "$cx" $((H - 40))
  kp_expect_island '276x32+*+30' 10 "collapse without the compositor"
  # Once the last frame of the collapse is drawn.
  x=$((cx - 138)) y=$((30 + 32 - 1))
  kp_wait 10 eval '[ "$(pixel "$x" "$y")" = "51 102 170" ]'
  kp_shot top-panel 520 0 400 120
  [ "$(pixel "$x" "$y")" = "51 102 170" ] || kp_fail "the collapsed island's corner at $x,$y is ($(pixel "$x" "$y")), not the desktop"
  [ "$(pixel $((cx - 100)) 46)" = "0 0 0" ] || kp_fail "the collapsed island's middle is ($(pixel $((cx - 100)) 46)), not black"
fi
if [ -n "$picom" ]; then
  xdotool mousemove "$cx" 33
  kp_expect_island '276x32+*+30' 10 "peek again"
  kp_click_until "$cx" 33 1 "open again, without the compositor" '640x160+*+30'
  room_survives_cover "without a compositor"
fi
echo "top panel: ok"
