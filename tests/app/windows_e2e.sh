#!/usr/bin/env bash
# End to end (1366 x 768, openbox and picom unless told otherwise): with the island open, the gear
# opens Settings and the album button the Album, each whole inside the screen with a dark title
# bar, and with the keyboard; minimised, each comes back, in front, from the same button.
# Arguments: the window manager ("none" for none: nothing to frame or minimise the windows, which
# must take the keyboard themselves), the screen's size, a whole scale factor (3 leaves a large
# screen few points).
set -uo pipefail
manager=${1:-openbox} size=${2:-1366x768} scale=${3:-1}
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app xdotool xwininfo xprop
[ "$manager" = none ] || kp_need_app "$manager"
kp_scratch_dir kp-windows-e2e
KP_SCREEN_SIZE=$size kp_start_display 140 "$scratch/xvfb.log" || exit 1
if [ "$manager" != none ]; then
  "$manager" >/dev/null 2>&1 & pids+=($!)
  [ "$manager" = openbox ] && command -v picom >/dev/null && { picom --backend xrender >/dev/null 2>&1 & pids+=($!); }
  kp_wait_for_manager || exit 1
fi
kp_app_home "$scratch"
# The open island stays open while the buttons are used.
printf '[General]\nonboardedV1=true\nopenIdleSeconds=600\nsoundOn=false\nmusicOn=false\n' >"$conf"
read -r W H < <(xdotool getdisplaygeometry)
px() { echo $(($1 * scale)); }
left=$(((W - $(px 640)) / 2))
open="$(px 640)x$(px 160)+$left+0"
kp_launch_app "launch" "$scratch/app.log" QT_SCALE_FACTOR="$scale"
# Under the pointer at the top, once its greeting is over (here or not), the island peeks.
peeking() { xdotool mousemove $((W / 2 + RANDOM % 3)) 10; _kp_island_is "$(px 276)x$(px 32)+*"; }
kp_wait 90 peeking || kp_fail "no peek under the pointer: $(kp_island_at)"
xdotool click 1
kp_expect_island "$open" 20 "open on a click"

# The room's top bar, right to left: the gear, then the album button.
gear=($((left + $(px 620))) "$(px 20)") album=($((left + $(px 600))) "$(px 20)")
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# The window's frame "x y w h": its own place and size and the manager's frame around it.
frame() {
  local id=$1 x y w h l r t b
  read -r x y w h < <(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END { print x, y, w, h }')
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
  echo $((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))
}
inside() { local x y w h; read -r x y w h < <(frame "$1"); [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$W" ] && [ $((y + h)) -le "$H" ]; }
framed() { [ "$manager" = none ] || xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '= [0-9]'; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: $2"; }
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Each window is looked at whole before the script fails, so both are told of.
problems=()
for which in Settings Album; do
  button=("${gear[@]}")
  [ "$which" = Album ] && button=("${album[@]}")
  xdotool mousemove "${button[@]}" click 1
  kp_wait 20 eval '[ -n "$(window "$which")" ]' || kp_fail "the button did not open $which"
  id=$(window "$which")
  kp_wait 10 framed "$id" || kp_fail "$which was never framed"
  # Placed again once its real frame is known: wait for it to settle inside.
  kp_wait 10 inside "$id" || problems+=("$which lies outside the $W x $H screen: frame $(frame "$id")")
  echo "$which: frame $(frame "$id")"
  xprop -id "$id" _GTK_THEME_VARIANT | grep -q '"dark"' || problems+=("$which asks for no dark title bar")
  kp_wait 10 focused "$id" || problems+=("$which did not take the keyboard: it is with $(xdotool getwindowfocus 2>&1)")
  [ "$manager" = none ] && continue
  xdotool windowminimize "$id"
  kp_wait 10 mapped "$id" IsUnMapped || kp_fail "$which did not minimise"
  [ "$(kp_island_at)" = "$open" ] || kp_fail "the island closed meanwhile: $(kp_island_at)"
  xdotool mousemove "${button[@]}" click 1
  kp_wait 10 mapped "$id" IsViewable || kp_fail "the button did not bring the minimised $which back"
  xprop -id "$id" _NET_WM_STATE | grep -q HIDDEN && kp_fail "$which is still minimised"
  kp_wait 10 eval '[ "$(xdotool getactivewindow 2>/dev/null)" = "$id" ]' || kp_fail "$which did not come to the front"
  echo "$which: back from the task bar"
done
[ ${#problems[@]} = 0 ] || kp_fail "$(printf '%s; ' "${problems[@]}")"
kp_stop_app || kp_fail "exit status $? after SIGTERM"
echo "windows: ok"
