#!/usr/bin/env bash
# End to end on a private display and bus with no tray host, under the window manager the first
# argument names (openbox, metacity, fluxbox, xfwm4, kwin_x11 or i3), one part of it as the second
# names:
# - hover (the hover peek on): while a full-screen window is active, hovering, clicking and
#   right-clicking at the top centre are the window's and the island stays hidden; out of full
#   screen the hover peeks, and a peek already out goes as the window goes full screen, leaving it
#   its clicks; a right-click that comes with the pointer to the top centre opens the menu every
#   time; a click opens the island; back in full screen the window has its clicks again. Under i3
#   the window goes full screen by i3's own command too.
# - focus (the hover peek on): a focus round's peek goes while the window is full screen and comes
#   back once it leaves; an app started meanwhile greets once it leaves.
# - edge (the hover peek off): a maximized window that draws its own tabs along the top of the
#   screen gets every press there below the screen's top edge; a click at the very top opens the
#   island and, closed again, it goes straight back to the top edge, leaving the tabs their
#   presses; a right-click at the very top shows the app's menu.
set -uo pipefail
command -v dbus-run-session >/dev/null || { echo "dbus-run-session missing: skipped"; exit 77; }
# A bus of its own: no status notifier host of the user's counts as a tray.
[ -n "${KP_OWN_BUS:-}" ] || exec env KP_OWN_BUS=1 dbus-run-session -- bash "$0" "$@"
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
wm_name=${1:?which window manager} part=${2:?which part: hover, focus or edge}
kp_need_app xdotool xwininfo xprop wmctrl "$wm_name"
desk=$KP_BUILD_DIR/tests/island/desk_helper
[ -x "$desk" ] || { echo "no desk helper under $KP_BUILD_DIR"; exit 1; }
kp_scratch_dir kp-full-screen
kp_start_display 160 "$scratch/xvfb.log" || exit 1
kp_app_home "$scratch"
read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
far() { xdotool mousemove "$cx" $((H - 40)); }
# Marked as the current form, or i3 takes it for an old one and adds a bar, whose tray would be the
# menu's home.
printf '# i3 config file (v4)\nfont pango:monospace 8\n' >"$scratch/i3.conf"

start_manager() {
  case $1 in
    openbox) openbox --sm-disable ;;
    metacity) GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 metacity --replace ;;
    fluxbox) HOME=$scratch fluxbox ;;
    xfwm4) xfwm4 --compositor=off --sm-client-disable ;;
    kwin_x11) KWIN_COMPOSE=N kwin_x11 --replace ;;
    i3) i3 -c "$scratch/i3.conf" ;;
  esac >"$scratch/$1.log" 2>&1 &
  wm=$!
  pids+=($wm)
  # Ready once it says it runs: not every manager keeps a stacking list to wait on.
  kp_wait 60 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
    kp_fail "$1 did not start"
}
stop_manager() {
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
}

# start_app PEEK [PEEK_IDLE]: the app with the hover peek on or off (the small island hiding after
# PEEK_IDLE seconds, 2 unless told) and the focus rounds on, once its greeting has ended.
start_app() {
  printf '[General]\nonboardedV1=true\npeekOnHover=%s\nopenIdleSeconds=2\npeekIdleSeconds=%s\nsoundOn=false\nmusicOn=false\npomodoroAndCoins=true\npomodoroIntroSeen=true\n' \
    "$1" "${2:-2}" >"$conf"
  far
  kp_start_app "$scratch/app-$wm_name-$1.log"
  kp_expect_island '360x62+*' 60 "the greeting at launch"
  kp_expect_island hidden 30 "the greeting ends"
}

# open_window NAME STATE...: a window that says where it was pressed, in that state; `window` is its id, `presses` its log.
open_window() {
  local name=$1
  presses=$scratch/$name-$wm_name.log
  "$desk" press "$@" >"$presses" & pids+=($!)
  helper_pid=$!
  kp_wait 20 eval 'window=$(xdotool search --onlyvisible --name "^$name\$" | head -1); [ -n "$window" ]' ||
    kp_fail "$name did not show"
}
close_window() {
  kill "$helper_pid"
  wait "$helper_pid" 2>/dev/null
}
# The window's frame as WxH+X+Y.
window_at() {
  xwininfo -id "$window" 2>/dev/null | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END { printf "%sx%s+%s+%s\n", w, h, x, y }'
}
full_screen() { [ "$(window_at)" = "${W}x${H}+0+0" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; }
states() { xprop -id "$window" _NET_WM_STATE 2>/dev/null; }
# own_full_screen on|off: the window into or out of full screen by the manager's own command where
# it has one (i3's), else as an application asks; waits until it is so.
own_full_screen() {
  if [ "$wm_name" = i3 ]; then
    i3-msg -q "[id=$window] fullscreen $([ "$1" = on ] && echo enable || echo disable)"
  else
    wmctrl -i -r "$window" -b "$([ "$1" = on ] && echo add || echo remove),fullscreen"
  fi
  if [ "$1" = on ]; then
    kp_wait 20 full_screen || kp_fail "$wm_name: the video did not go full screen: $(window_at)"
  else
    kp_wait 20 eval '! states | grep -q FULLSCREEN' || kp_fail "$wm_name: the video stays full screen"
  fi
}

# The app's windows on screen other than the island and its place: a menu, while one shows.
menus() { comm -23 <(_kp_app_windows) <(xdotool search --name '^Kettlepaw Island' 2>/dev/null | sort); }
# menu_with_pointer TIMES: from far away, a right-click that comes with the pointer to the very
# top centre opens the app's menu, each of TIMES times, at the first click.
menu_with_pointer() {
  local i
  for i in $(seq "$1"); do
    far
    kp_expect_island hidden 30 "away before right-click $i"
    xdotool mousemove "$cx" 0 click 3
    kp_wait 10 eval '[ -n "$(menus)" ]' ||
      kp_fail "$wm_name: right-click $i of $1 with the pointer at the top centre opened no menu (island: $(kp_island_at))"
    xdotool key Escape
    kp_wait 10 eval '[ -z "$(menus)" ]' || kp_fail "$wm_name: the menu stays"
  done
  echo "menu: $1 of $1 right-clicks that came with the pointer"
}

# press_at X Y BUTTON WHAT: the press there reaches the window, and the island stays hidden.
press_at() {
  local before _
  before=$(wc -l <"$presses")
  xdotool mousemove "$1" "$2" click "$3"
  kp_wait 5 eval '[ "$(wc -l <"$presses")" -gt "$before" ]' ||
    kp_fail "$wm_name: $4: the press at $1,$2 did not reach the window (island: $(kp_island_at))"
  [ "$(kp_island_at)" = hidden ] || kp_fail "$wm_name: $4: the island is $(kp_island_at)"
}

echo "--- $wm_name: $part"
start_manager "$wm_name"
case $part in
  hover)
    start_app true
    open_window kp-video fullscreen
    kp_wait 20 full_screen || kp_fail "$wm_name: the video is not full screen and active: $(window_at)"
    xdotool mousemove "$cx" 5
    # The hover would peek within a quarter second: given well over that.
    kp_never 2 eval '[ "$(kp_island_at)" != hidden ]' ||
      kp_fail "$wm_name: hovering over the full-screen window peeked: $(kp_island_at)"
    press_at "$cx" 0 1 "a click at the very top centre of the full-screen window"
    press_at $((cx - 80)) 20 1 "a click in the island's place over the full-screen window"
    press_at "$cx" 5 3 "a right-click there"
    echo "full screen: the window has the top centre"

    far
    wmctrl -i -r "$window" -b remove,fullscreen
    kp_wait 20 eval '! states | grep -q FULLSCREEN' || kp_fail "$wm_name: the video stays full screen"
    menu_with_pointer 8
    xdotool mousemove "$cx" 5
    kp_expect_island '276x32+*' 10 "out of full screen the hover peeks"
    # The pointer stays on the peek as the window goes full screen: the peek goes, the window has
    # the clicks there.
    own_full_screen on
    kp_expect_island hidden 10 "the peek out goes as the window goes full screen"
    press_at "$cx" 5 1 "a click where the peek was"
    press_at $((cx - 120)) 20 3 "a right-click where the peek was"
    own_full_screen off
    xdotool mousemove "$cx" 5
    kp_expect_island '276x32+*' 10 "the hover peeks"
    kp_click_until "$cx" 5 1 "$wm_name: and a click opens the island" '640x160+*'
    far
    kp_expect_island hidden 30 "the island closes and hides"

    wmctrl -i -r "$window" -b add,fullscreen
    kp_wait 20 full_screen || kp_fail "$wm_name: the video did not go back to full screen: $(window_at)"
    press_at "$cx" 5 1 "full screen again, the click is the window's"
    close_window
    kp_stop_app || kp_fail "exit status $? after SIGTERM"
    ;;
  focus)
    # A focus round's peek: not over the full-screen window, back once the window leaves it.
    start_app true
    open_window kp-video fullscreen
    kp_wait 20 full_screen || kp_fail "$wm_name: the video is not full screen and active: $(window_at)"
    own_full_screen off
    kp_open_menu
    xdotool key Down Return  # "Start focus", the first item that acts
    far
    kp_expect_island '276x32+*' 10 "a focus round peeks"
    own_full_screen on
    kp_expect_island hidden 10 "the focus round's peek goes under the full-screen window"
    for y in 3 16 30; do press_at $((cx - 110)) "$y" 1 "a click where the focus round's peek was"; done
    own_full_screen off
    kp_expect_island '276x32+*' 10 "the focus round's peek back once the window leaves full screen"
    kp_stop_app || kp_fail "exit status $? after SIGTERM"

    # Started while the window is full screen, the app greets once the window leaves it.
    own_full_screen on
    far
    kp_start_app "$scratch/app-$wm_name-greeting.log"
    kp_never 8 eval '[ "$(kp_island_at)" != hidden ]' || kp_fail "$wm_name: the greeting showed over the full-screen window"
    press_at "$cx" 20 1 "a click where the greeting would be"
    far
    own_full_screen off
    kp_expect_island '360x62+*' 10 "the greeting once the window has left full screen"
    close_window
    kp_stop_app || kp_fail "exit status $? after SIGTERM"
    ;;
  edge)
    start_app false 60
    open_window kp-tabs maximized undecorated
    kp_wait 20 eval '[[ "$(window_at)" == ${W}x*+0+0 ]]' || kp_fail "$wm_name: the window is not maximized: $(window_at)"
    for y in 4 8 16 31; do
      for x in $((cx - 90)) "$cx" $((cx + 90)); do press_at "$x" "$y" 1 "a press on the tabs below the top edge"; done
    done
    echo "maximized: every press below the top edge reaches the window"
    kp_click_until "$cx" 0 1 "$wm_name: a click at the very top centre opens the island" '640x160+*'
    far
    kp_wait 20 eval '[[ "$(kp_island_at)" != 640x160+* ]]' || kp_fail "$wm_name: the island stays open"
    # Closed, it goes straight to the top edge: the small island does not linger over the tabs.
    kp_expect_island hidden 5 "the closed island goes straight to the top edge"
    for x in $((cx - 90)) "$cx" $((cx + 90)); do press_at "$x" 16 1 "a press on the tabs once the island closed"; done
    kp_menu_at "$cx" 1 "$wm_name: a right-click at the very top centre"
    close_window
    kp_stop_app || kp_fail "exit status $? after SIGTERM"
    ;;
  *) kp_fail "no part $part" ;;
esac
stop_manager
echo "full screen and top edge, $part under $wm_name: ok"
