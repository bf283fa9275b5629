#!/usr/bin/env bash
# End to end on a small screen (1366 x 768, openbox and picom): with the island open, the gear
# opens Settings and the album button the Album, each whole inside the screen with a dark title
# bar; minimised, each comes back, in front, from the same button.
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app xdotool xwininfo xprop openbox
kp_scratch_dir kp-windows-e2e
KP_SCREEN_SIZE=1366x768 kp_start_display 140 "$scratch/xvfb.log" || exit 1
openbox >/dev/null 2>&1 & pids+=($!)
command -v picom >/dev/null && { picom --backend xrender >/dev/null 2>&1 & pids+=($!); }
kp_wait_for_manager || exit 1
kp_app_home "$scratch"
# The open island stays open while the buttons are used.
printf '[General]\nonboardedV1=true\nopenIdleSeconds=600\nsoundOn=false\nmusicOn=false\n' >"$conf"
xdotool mousemove 683 700
kp_start_app "$scratch/app.log"
kp_expect_island '360x62+*' 60 "the greeting at launch"
kp_expect_island hidden 30 "the greeting ends"
xdotool mousemove 683 10
kp_expect_island '276x32+*' 20 "peek under the pointer"
xdotool click 1
kp_expect_island '640x160+363+0' 20 "open on a click"

# The room's top bar, right to left: the gear, then the album button.
gear=(983 20) album=(963 20)
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# The window's frame "x y w h": its own place and size and the manager's frame around it.
frame() {
  local id=$1 x y w h l r t b
  read -r x y w h < <(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END { print x, y, w, h }')
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
  echo $((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))
}
inside() { local x y w h; read -r x y w h < <(frame "$1"); [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1366 ] && [ $((y + h)) -le 768 ]; }
framed() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '= [0-9]'; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: $2"; }

for which in Settings Album; do
  button=("${gear[@]}")
  [ "$which" = Album ] && button=("${album[@]}")
  xdotool mousemove "${button[@]}" click 1
  kp_wait 20 eval '[ -n "$(window "$which")" ]' || kp_fail "the button did not open $which"
  id=$(window "$which")
  kp_wait 10 framed "$id" || kp_fail "$which was never framed"
  # Placed again once its real frame is known: wait for it to settle inside.
  kp_wait 10 inside "$id" || kp_fail "$which lies outside the 1366 x 768 screen: frame $(frame "$id")"
  echo "$which: frame $(frame "$id")"
  xprop -id "$id" _GTK_THEME_VARIANT | grep -q '"dark"' || kp_fail "$which asks for no dark title bar"
  xdotool windowminimize "$id"
  kp_wait 10 mapped "$id" IsUnMapped || kp_fail "$which did not minimise"
  [ "$(kp_island_at)" = '640x160+363+0' ] || kp_fail "the island closed meanwhile: $(kp_island_at)"
  xdotool mousemove "${button[@]}" click 1
  kp_wait 10 mapped "$id" IsViewable || kp_fail "the button did not bring the minimised $which back"
  xprop -id "$id" _NET_WM_STATE | grep -q HIDDEN && kp_fail "$which is still minimised"
  kp_wait 10 eval '[ "$(xdotool getactivewindow 2>/dev/null)" = "$id" ]' || kp_fail "$which did not come to the front"
  echo "$which: back from the task bar"
done
kp_stop_app || kp_fail "exit status $? after SIGTERM"
echo "windows: ok"
