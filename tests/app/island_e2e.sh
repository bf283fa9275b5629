#!/usr/bin/env bash
# End to end: the built app on $DISPLAY greets, hides, peeks under the pointer, opens on a click,
# collapses and hides after its idle delays, peeks by itself for a need, opens Settings and quits
# from its menu (in the tray where a tray host runs, else on the island), and on SIGTERM exits
# cleanly after saving the cat. Every step waits for what it expects, with generous deadlines.
set -uo pipefail

source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app xdotool xwininfo import
[ -n "${DISPLAY:-}" ] && xwininfo -root >/dev/null 2>&1 || { echo "no X server: skipped"; exit 77; }
kp_scratch_dir kp-island-e2e
kp_app_home "$scratch"  # noon local time: a cat asleep for the night would not peek for its needs
log=$scratch/app.log

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
far() { xdotool mousemove "$cx" $((H - 40)); }
shot() { kp_shot "$1" $((cx - 380)) 0 760 220; }
far

# Short idle delays keep the test quick; the hover peek is on by default.
printf '[General]\nonboardedV1=true\nopenIdleSeconds=3\npeekIdleSeconds=5\n' >"$conf"

kp_start_app "$log"
kp_expect_island '360x62+*' 60 "the greeting at launch"
shot 1-greeting
kp_expect_island hidden 30 "the greeting ends"
# No input for a while: the hidden island stops polling and waits for the next input, which must
# still bring the peek.
sleep 2
xdotool mousemove "$cx" 3
kp_expect_island '276x32+*' 20 "peek under the pointer"
kp_expect_pixels "no face in the peeking island" 5 kp_count_colour $((cx - 138 + 8)) 4 30 24 232 162 90
shot 3-peek
kp_click_until "$cx" 3 1 "open on a click" '640x160+*'
# The open island shows the room: a band across its middle is mostly lit walls.
kp_expect_pixels "no room in the open island" 9000 kp_count_lit $((cx - 300)) 60 600 20
shot 4-open
far
kp_expect_island '276x32+*' 20 "collapse after the open delay"
kp_expect_island hidden 20 "hide after the peek delay"

rm -f "$record"
kp_stop_app || kp_fail "exit status $? after SIGTERM"
grep -q '"savedAt"' "$record" || kp_fail "the cat was not saved at termination"
kp_expect_nothing_aside "$XDG_DATA_HOME"
echo "saved on SIGTERM, clean exit"

# A need peeks the hidden island with its mark: a quickly draining cat gets hungry a few seconds
# after the greeting has gone.
kp_write_cat "$record" hunger=52 happiness=90 energy=90
printf 'statDrainSeconds=60\n' >>"$conf"
kp_start_app "$log"
kp_expect_island '360x62+*' 60 "the greeting"
kp_expect_island hidden 30 "the greeting ends"
kp_expect_island '276x32+*' 60 "peek for the need"
kp_expect_pixels "no need mark beside the face" 5 kp_count_colour $((cx - 138 + 40)) 2 32 28 232 135 58
shot 7-need-peek
kp_expect_nothing_aside "$XDG_DATA_HOME"

# The app's menu, from the bottom up: "Quit Kettlepaw", "Settings…".
echo "menu from the $([ -n "$(kp_tray_icon)" ] && echo tray icon || echo island)"

kp_open_menu
xdotool key Up Up Return
settings_window() { xdotool search --onlyvisible --name '^Settings$' 2>/dev/null | head -1; }
kp_wait 20 eval '[ -n "$(settings_window)" ]' || kp_fail "Settings… did not open the settings window"
read -r sx sy < <(xwininfo -id "$(settings_window)" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {print x, $4}')
# What it shows, not only its size (an empty window has that too): the cat's portrait in the top
# left, the name and the tabs in light text beside and below it, and the first tab's rows.
kp_expect_pixels "no cat portrait in Settings" 800 kp_count_colour $((sx + 20)) $((sy + 30)) 130 140 233 161 91
kp_expect_pixels "no name or tabs in Settings" 250 kp_count_light $((sx + 150)) $((sy + 50)) 380 180
kp_expect_pixels "no rows in Settings" 3000 kp_count_lit "$sx" $((sy + 230)) 540 300
kp_shot 8-settings "$sx" "$sy" 540 700

# "Let him out now" (above the music item) puts the cat out on the desktop, in a window of its own.
kp_open_menu
xdotool key Up Up Up Up Return
kp_wait 30 eval 'xdotool search --onlyvisible --name "^Kettlepaw Roaming$" >/dev/null' || kp_fail "Let him out now put no cat on the desktop"

rm -f "$record"
kp_open_menu
xdotool key Up Return
kp_expect_exit 30 "Quit Kettlepaw"
[ -s "$record" ] || kp_fail "the cat was not saved on Quit"
echo "menu opened Settings with its content, let the cat out and quit the app, cat saved"

# A first run: the island opens on the first-run pages; past the film the name page takes typed
# keys though the island otherwise never takes the keyboard.
rm -f "$record"
printf '[General]\n' >"$conf"
far
kp_start_app "$log"
kp_expect_island '640x180+*' 60 "the first-run pages"
left=$((cx - 320))
# Skip; then the name page: its title in light text, and the light "Next" button in the lower right.
kp_click_for $((left + 607)) 17 1 _kp_more_than 300 kp_count_light $((left + 285)) 45 200 30 ||
  kp_fail "no name page title after Skip"
kp_expect_pixels "no Next button on the name page" 400 kp_count_colour $((left + 570)) 140 50 30 248 215 164
shot 10-name-page
xdotool type --delay 50 "Mochi"
xdotool mousemove $((left + 597)) 156 click 1  # Next
kp_wait 30 grep -q '^petName=Mochi$' "$conf" || kp_fail "the typed name was not kept"
kp_stop_app || kp_fail "exit status $? after SIGTERM"
kp_expect_nothing_aside "$XDG_DATA_HOME"
echo "first run: name typed on the island"
