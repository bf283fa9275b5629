#!/usr/bin/env bash
# End to end, Settings and the Album opened from the island's buttons: each lies whole inside its
# screen, also where a large scale factor leaves a large screen few points, and each takes the
# keyboard as it opens, also with no window manager to hand it over.
# Arguments: the window manager ("none" for none), the screen's size, the scale factor (whole).
set -uo pipefail
manager=${1:-none} size=${2:-1440x900} scale=${3:-1}
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app xdotool xwininfo xprop
[ "$manager" = none ] || kp_need_app "$manager"
kp_scratch_dir kp-windows-fit-e2e
KP_SCREEN_SIZE=$size kp_start_display 150 "$scratch/xvfb.log" || exit 1
if [ "$manager" != none ]; then
  "$manager" >/dev/null 2>&1 & pids+=($!)
  kp_wait_for_manager || exit 1
fi
kp_app_home "$scratch"
# The open island stays open while the buttons are used.
printf '[General]\nonboardedV1=true\nopenIdleSeconds=600\nsoundOn=false\nmusicOn=false\n' >"$conf"
read -r W H < <(xdotool getdisplaygeometry)
px() { echo $(($1 * scale)); }
left=$(((W - $(px 640)) / 2))
xdotool mousemove $((W / 2)) $((H - 10))
kp_launch_app "launch" "$scratch/app.log" QT_SCALE_FACTOR="$scale"
kp_expect_island "$(px 360)x$(px 62)+*" 60 "the greeting at launch"
kp_expect_island hidden 30 "the greeting ends"
xdotool mousemove $((W / 2)) 3
kp_expect_island "$(px 276)x$(px 32)+*" 20 "peek under the pointer"
xdotool click 1
kp_expect_island "$(px 640)x$(px 160)+$left+0" 20 "open on a click"

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
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# The room's top bar, right to left: the gear, then the album button. Each window is looked at
# whole before the script fails, so both are told of.
problems=()
for which in Settings Album; do
  x=$((left + $(px 620)))
  [ "$which" = Album ] && x=$((left + $(px 600)))
  xdotool mousemove "$x" "$(px 20)" click 1
  kp_wait 20 eval '[ -n "$(window "$which")" ]' || kp_fail "the button did not open $which"
  id=$(window "$which")
  kp_wait 10 framed "$id" || kp_fail "$which was never framed"
  kp_wait 10 inside "$id" || problems+=("$which runs off the ${W} x ${H} screen")
  echo "$which: frame $(frame "$id")"
  kp_wait 10 focused "$id" || problems+=("$which did not take the keyboard: it is with $(xdotool getwindowfocus 2>&1)")
done
[ ${#problems[@]} = 0 ] || kp_fail "$(printf '%s; ' "${problems[@]}")"
kp_stop_app || kp_fail "exit status $? after SIGTERM"
echo "windows fit and take the keyboard: ok"
