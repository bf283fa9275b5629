#!/usr/bin/env bash
# End to end on a private display and bus under openbox with no tray host, and the hover peek
# switched off: once the island has hidden, a click at its place (the screen's top edge, all it takes
# with the peek off) opens it and a right-click there shows the app's menu, without a compositor and
# with one; under metacity also once a window has been opened over the place. A tray host that starts takes the menu
# over (the click at the place does nothing); once it stops, the click opens the island again.
set -uo pipefail
command -v dbus-run-session >/dev/null || { echo "dbus-run-session missing: skipped"; exit 77; }
# A bus of its own: no status notifier host of the user's counts as a tray.
[ -n "${KP_OWN_BUS:-}" ] || exec env KP_OWN_BUS=1 dbus-run-session -- bash "$0" "$@"
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app openbox metacity picom trayer xdotool xwininfo xmessage
kp_scratch_dir kp-menu-reach
kp_start_display 150 "$scratch/xvfb.log" || exit 1
openbox --sm-disable >"$scratch/openbox.log" 2>&1 & pids+=($!)
kp_wait_for_manager || exit 1
kp_app_home "$scratch"

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
far() { xdotool mousemove "$cx" $((H - 40)); }
printf '[General]\nonboardedV1=true\npeekOnHover=false\nopenIdleSeconds=2\npeekIdleSeconds=2\nsoundOn=false\nmusicOn=false\n' >"$conf"

# click_place BUTTON WHAT PATTERN: clicks at the top edge's centre until the island matches PATTERN.
click_place() { kp_click_until "$cx" 1 "$@"; }
hide_again() {
  far
  kp_expect_island hidden 30 "$1"
}

for desk in bare composited; do
  echo "--- $desk"
  [ $desk = composited ] && { picom --backend xrender >/dev/null 2>&1 & pids+=($!); picom=$!; }
  far
  # Composited, as under Wayland (where the place is a see-through window, not an input-only one).
  if [ $desk = composited ]; then WAYLAND_DISPLAY=kp-none kp_start_app "$scratch/app-$desk.log"; else kp_start_app "$scratch/app-$desk.log"; fi
  kp_expect_island '360x62+*' 60 "the greeting at launch"
  kp_expect_island hidden 30 "the greeting ends"
  click_place 1 "a click at the hidden island's place opens it" '640x160+*'
  kp_menu_at "$cx" 80 "right-click on the open island"
  hide_again "the open island closes and hides"
  kp_menu_at "$cx" 1 "right-click at the hidden island's place"
  [ "$(kp_island_at)" = hidden ] || kp_fail "the right-click opened the island: $(kp_island_at)"
  [ $desk = composited ] && break


  # A tray host comes: the menu is in the tray, and the hidden island's place is the desktop's again.
  trayer --edge top --align right --widthtype pixel --width 80 --height 24 >/dev/null 2>&1 & tray=$!
  pids+=($tray)
  kp_wait 30 eval '[ -n "$(kp_tray_icon)" ]' || kp_fail "the tray icon did not dock"
  # At the place whether the island sits at the top or under the tray's strut.
  xdotool mousemove "$cx" 10 click 1 mousemove "$cx" 40 click 1
  # The tray's menu opens after the click has been seen: the island has not moved by then.
  kp_menu_at $(kp_tray_icon) "right-click on the tray icon"
  [ "$(kp_island_at)" = hidden ] || kp_fail "with a tray host the click at the place opened the island: $(kp_island_at)"
  echo "with a tray host the click at the hidden island's place does nothing"
  kill "$tray"
  wait "$tray" 2>/dev/null
  kp_wait 30 eval '[ -z "$(kp_tray_icon)" ]' || kp_fail "the tray icon stays"
  click_place 1 "the tray host gone, a click at the place opens the island again" '640x160+*'
  hide_again "hides again"
  kp_stop_app || kp_fail "exit status $? after SIGTERM"
done
kp_stop_app || kp_fail "exit status $? after SIGTERM"
kill "$picom" 2>/dev/null

# A manager that stacks the windows it maps above all others (metacity): a window opened over the
# top centre since the island hid leaves the place above it.
echo "--- metacity"
GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 metacity --replace >"$scratch/metacity.log" 2>&1 & pids+=($!)
kp_wait_for_manager || exit 1
far
kp_start_app "$scratch/app-metacity.log"
kp_expect_island '360x62+*' 60 "the greeting at launch"
kp_expect_island hidden 30 "the greeting ends"
xmessage -geometry 800x200+$((cx - 400))+0 "over the top centre" & pids+=($!)
kp_wait 20 eval 'xdotool search --onlyvisible --name "^xmessage$" >/dev/null' || kp_fail "no window over the top centre"
click_place 1 "a window opened over the place since: the click still opens the island" '640x160+*'
kp_stop_app || kp_fail "exit status $? after SIGTERM"
exit 0
