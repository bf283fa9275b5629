#!/usr/bin/env bash
# End to end under a window manager that can show the desktop (the first argument, its options
# after it): Settings and the Album, put away with every other window to show the desktop, come
# back mapped and in front within a second of the gear, the album button or the menu; minimised,
# they come back too, and stay inside the screen.
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
manager=${1:?which window manager}
shift
kp_need_app "$manager" wmctrl xdotool xwininfo xprop
kp_scratch_dir kp-shown-desktop-e2e
KP_SCREEN_SIZE=1366x768 kp_start_display 140 "$scratch/xvfb.log" || exit 1
# The manager's settings in memory, and no accessibility bus: nothing of the user's is touched.
GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 "$manager" "$@" >"$scratch/wm.log" 2>&1 & pids+=($!)
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
kp_click_until 683 10 1 "open on a click" '640x160+363+0'

# The room's top bar, right to left: the gear, then the album button.
gear=(983 20) album=(963 20)
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
mapped() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q "Map State: $2"; }
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# Shown as the user sees it: mapped, in the normal state and in front.
shown() { mapped "$1" IsViewable && xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'state: Normal' && active "$1"; }
put_away() { mapped "$1" IsUnMapped; }
inside() {
  local x y w h
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END { print x, y, w, h }')
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1366 ] && [ $((y + h)) -le 768 ]
}
now_ms() { date +%s%3N; }
# within MS COMMAND...: polls COMMAND until it succeeds; false when it has not within MS ms.
within() {
  local deadline=$(($(now_ms) + $1))
  shift
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    kp_nudge_manager
    sleep 0.02
  done
}
show_desktop() {
  wmctrl -k on
  kp_wait 10 put_away "$1" || kp_fail "showing the desktop did not put $2 away ($(xprop -id "$1" WM_STATE _NET_WM_STATE | tr '\n' ' '))"
  # Asked again a moment later: a window search can miss a window while the manager changes others.
  kp_wait 5 _kp_island_is '640x160+363+0' || kp_fail "the island closed with the desktop shown: $(kp_island_at)"
}
# expect_back ID WHAT HOW: within a second of HOW (at `at`, in ms; a second on a machine at rest,
# longer as it is slower), the window is shown and in front.
expect_back() {
  within $((at + 1000 * kp_slowness - $(now_ms))) shown "$1" ||
    kp_fail "$2 stayed away after $3: $(xwininfo -id "$1" | grep 'Map State'), $(xprop -id "$1" WM_STATE | grep state), active $(xdotool getactivewindow 2>/dev/null)"
  echo "$2: back after $3 in $(($(now_ms) - at)) ms"
  # Some managers draw the way back from the task bar: the window settles once they are done.
  kp_wait 10 inside "$1" || kp_fail "$2 came back outside the screen: $(xwininfo -id "$1" | grep -E 'Absolute|Width|Height' | tr -s ' \n' ' ')"
}

declare -A ids
for which in Settings Album; do
  button=("${gear[@]}")
  [ "$which" = Album ] && button=("${album[@]}")
  # The id from the look-up that found the window: asked again, a window the manager is still
  # taking on can be missed.
  kp_click_for "${button[@]}" 1 eval 'id=$(window "$which"); [ -n "$id" ]' || kp_fail "the button did not open $which"
  ids[$which]=$id
  kp_wait 10 shown "$id" || kp_fail "$which did not open in front"

  show_desktop "$id" "$which"
  at=$(now_ms)
  xdotool mousemove "${button[@]}" click 1
  expect_back "$id" "$which" "its button with the desktop shown"

  xdotool windowminimize "$id"
  kp_wait 10 put_away "$id" || kp_fail "$which did not minimise"
  at=$(now_ms)
  xdotool mousemove "${button[@]}" click 1
  expect_back "$id" "$which" "its button when minimised"
done

# Without a tray host the menu opens on the island's right click; Settings… is second from the foot.
id=${ids[Settings]}
show_desktop "$id" Settings
before=$(_kp_app_windows)
menu_shown() { comm -13 <(echo "$before") <(_kp_app_windows) | grep -qvxE "${ids[Settings]}|${ids[Album]}"; }
kp_click_for 683 120 3 menu_shown || kp_fail "the island's right click opened no menu"
at=$(now_ms)
xdotool key Up Up Return
expect_back "$id" Settings "the menu with the desktop shown"

kp_stop_app || kp_fail "exit status $? after SIGTERM"
echo "shown desktop ($manager $*): ok"
