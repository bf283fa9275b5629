#!/usr/bin/env bash
# End to end: the built app on $DISPLAY greets, hides, peeks under the pointer, opens on a click,
# collapses and hides after its idle delays, peeks by itself for a need, opens Settings and quits
# from its menu (in the tray where a tray host runs, else on the island), and on SIGTERM exits
# cleanly after saving the cat. Every step waits for what it expects, with generous deadlines.
set -uo pipefail

[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: skipped"; exit 77; }
for tool in xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
xwininfo -root >/dev/null 2>&1 || { echo "no X server: skipped"; exit 77; }
# The cat keeps hours (needs wait at night): pin the local time near noon, whatever the hour here.
TZ=Etc/GMT$(printf '%+d' $((10#$(date -u +%H) - 12)))
export TZ

app=${KP_BUILD_DIR:?}/src/app/kettlepaw
# A cat asleep for the night does not peek for its needs: the app runs at midday local time,
# whatever the hour here.
export TZ="KPT$(( $(date -u +%-H) - 12 ))"
[ -x "$app" ] || { echo "no app at $app"; exit 1; }

scratch=$(mktemp -d /tmp/kp-island-e2e.XXXXXX)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_app_home "$scratch"

fail() {
  echo "FAIL: $*"
  echo "--- app log"; cat "$scratch/app.log" 2>/dev/null
  exit 1
}

island() { xdotool search --name '^Kettlepaw Island$' 2>/dev/null | head -1; }
# "WxH" while the island is mapped, "hidden" while it is not, "none" before it exists.
island_shape() {
  local id; id=$(island)
  [ -n "$id" ] || { echo none; return; }
  local info; info=$(xwininfo -id "$id" 2>/dev/null)
  if ! grep -q "IsViewable" <<<"$info"; then echo hidden; return; fi
  echo "$(awk '/Width:/ {print $2}' <<<"$info")x$(awk '/Height:/ {print $2}' <<<"$info")"
}
is_shape() { [ "$(island_shape)" = "$1" ]; }
# Waits up to $2 seconds for the island's shape to be $1.
expect_shape() {
  kp_wait "$2" is_shape "$1" || fail "island should be $1, is $(island_shape) ($3)"
  echo "island: $1"
}

# The screen's pixels in a rectangle as "r g b" lines.
pixels() {  # x y w h
  import -window root -crop "$3x$4+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}
# Pixels near a colour in a screen rectangle.
count_colour() {  # x y w h r g b
  pixels "$1" "$2" "$3" "$4" | awk -v r="$5" -v g="$6" -v b="$7" '{
      dr = $1 - r; dg = $2 - g; db = $3 - b;
      if (dr < 0) dr = -dr; if (dg < 0) dg = -dg; if (db < 0) db = -db;
      if (dr < 40 && dg < 40 && db < 40) n++ } END { print n + 0 }'
}
# Lit pixels (some channel above 70) in a screen rectangle: the room's walls, not a black island.
count_lit() {  # x y w h
  pixels "$@" | awk '$1 > 70 || $2 > 70 || $3 > 70 { n++ } END { print n + 0 }'
}
# Light pixels (every channel above 200): text on a dark ground, a white field.
light() { pixels "$@" | awk '$1 > 200 && $2 > 200 && $3 > 200 { n++ } END { print n + 0 }'; }
more_than() {  # N command...: the command's count is above N
  local floor=$1; shift
  [ "$("$@")" -gt "$floor" ]
}
# Waits up to 20 s for more than N pixels of a kind in a rectangle.
expect_pixels() {  # what N command...
  local what=$1; shift
  command -v import >/dev/null || return 0
  kp_wait 20 more_than "$@" || { shift; fail "$what ($("$@") pixels)"; }
}

# KP_SHOTS_DIR=<folder> keeps a screenshot of the top of the screen at each step.
shot() {
  [ -n "${KP_SHOTS_DIR:-}" ] && command -v import >/dev/null || return 0
  mkdir -p "$KP_SHOTS_DIR"
  import -window root -crop "760x220+$((cx - 380))+0" "$KP_SHOTS_DIR/$1.png" 2>/dev/null
}

start_app() {
  "$app" >"$scratch/app.log" 2>&1 &
  pid=$!
}
stop_app() {  # SIGTERM, then the exit status
  kill -TERM "$pid"
  local rc=0
  wait "$pid" || rc=$?
  pid=
  return $rc
}
# The app's windows that are on screen.
visible_windows() { xdotool search --onlyvisible --class '^kettlepaw$' 2>/dev/null | sort; }

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
far_x=$((W / 2)); far_y=$((H - 40))
xdotool mousemove "$far_x" "$far_y"

# Short idle delays keep the test quick; the hover peek is on by default.
cat >"$conf" <<CONF
[General]
onboardedV1=true
openIdleSeconds=3
peekIdleSeconds=5
CONF

start_app
expect_shape 360x62 60 "the greeting at launch"
shot 1-greeting
expect_shape hidden 30 "the greeting ends"
shot 2-hidden
# No input for a while: the hidden island stops polling and waits for the next input, which must
# still bring the peek.
sleep 2
xdotool mousemove "$cx" 3
expect_shape 276x32 20 "peek under the pointer"
expect_pixels "no face in the peeking island" 5 count_colour $((cx - 138 + 8)) 4 30 24 232 162 90
shot 3-peek
xdotool click 1
expect_shape 640x160 20 "open on a click"
# The open island shows the room: a band across its middle is mostly lit walls.
expect_pixels "no room in the open island" 9000 count_lit $((cx - 300)) 60 600 20
shot 4-open
xdotool mousemove "$far_x" "$far_y"
expect_shape 276x32 20 "collapse after the open delay"
shot 5-collapsed
expect_shape hidden 20 "hide after the peek delay"
shot 6-hidden-again

rm -f "$record"
stop_app || fail "exit status $? after SIGTERM"
[ -s "$record" ] || fail "the cat was not saved at termination"
grep -q '"savedAt"' "$record" || fail "saved record has no savedAt"
kp_expect_nothing_aside "$XDG_DATA_HOME"
echo "saved on SIGTERM, clean exit"

# A need peeks the hidden island with its mark: a quickly draining cat gets hungry a few seconds
# after the greeting has gone.
kp_write_cat "$record" hunger=52 happiness=90 energy=90
printf 'statDrainSeconds=60\n' >>"$conf"
start_app
expect_shape 360x62 60 "the greeting"
expect_shape hidden 30 "the greeting ends"
expect_shape 276x32 60 "peek for the need"
expect_pixels "no need mark beside the face" 5 count_colour $((cx - 138 + 40)) 2 32 28 232 135 58
shot 7-need-peek
kp_expect_nothing_aside "$XDG_DATA_HOME"
echo "need peek shown"

# The app's menu: in the tray where a tray host runs, else on the island's right click. From the
# bottom up it reads "Quit Kettlepaw", "Settings…".
# The tray icon, embedded in the tray host: its middle on screen as "x y"; nothing without one.
tray_icon() {
  xwininfo -root -tree 2>/dev/null |
    awk '/ "Kettlepaw": \("kettlepaw" "Kettlepaw"\)/ {
      split($NF, at, "+"); split($(NF-1), size, "[x+]");
      print at[2] + int(size[1] / 2), at[3] + int(size[2] / 2); exit }'
}
open_menu() {
  local before; before=$(visible_windows)
  local icon; icon=$(tray_icon)
  if [ -n "$icon" ]; then
    xdotool mousemove $icon click 3
  else
    xdotool mousemove "$cx" 10
    kp_wait 20 is_shape 276x32 || fail "no island to right-click ($(island_shape))"
    xdotool click 3
  fi
  menu_opened() { [ "$(visible_windows)" != "$before" ] && [ -n "$(comm -13 <(echo "$before") <(visible_windows))" ]; }
  kp_wait 20 menu_opened || fail "the menu did not open"
}
if [ -n "$(tray_icon)" ]; then echo "menu from the tray icon"; else echo "menu from the island"; fi

open_menu
xdotool key Up Up Return
settings_window() { xdotool search --onlyvisible --name '^Settings$' 2>/dev/null | head -1; }
kp_wait 20 eval '[ -n "$(settings_window)" ]' || fail "Settings… did not open the settings window"
settings=$(settings_window)
geometry=$(xwininfo -id "$settings")
size=$(awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}' <<<"$geometry")
[ "$size" = 540x700 ] || fail "settings window is $size"
sx=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$geometry")
sy=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$geometry")
# What it shows, not only its size (an empty window has that too): the cat's portrait in the top
# left, the name and the tabs in light text beside and below it, and the first tab's rows.
expect_pixels "no cat portrait in Settings" 800 count_colour $((sx + 20)) $((sy + 30)) 130 140 233 161 91
expect_pixels "no name or tabs in Settings" 250 light $((sx + 150)) $((sy + 50)) 380 180
expect_pixels "no rows in Settings" 3000 count_lit "$sx" $((sy + 230)) 540 300
[ -n "${KP_SHOTS_DIR:-}" ] && import -window root -crop "540x700+$sx+$sy" "$KP_SHOTS_DIR/8-settings.png" 2>/dev/null
echo "menu opened Settings ($size, content shown)"

rm -f "$record"
open_menu
xdotool key Up Return
kp_wait 30 eval '! kill -0 "$pid" 2>/dev/null' || fail "Quit Kettlepaw did not quit"
rc=0
wait "$pid" || rc=$?
pid=
[ "$rc" = 0 ] || fail "exit status $rc after Quit"
[ -s "$record" ] || fail "the cat was not saved on Quit"
echo "menu quit the app, cat saved"

# A first run: the island opens on the first-run pages; past the film the name page takes typed
# keys though the island otherwise never takes the keyboard.
rm -f "$record"
printf '[General]\n' >"$conf"
xdotool mousemove "$far_x" "$far_y"
start_app
expect_shape 640x180 60 "the first-run pages"
left=$((cx - 320))
shot 9-film
xdotool mousemove $((left + 607)) 17 click 1   # Skip
# The name page: its title in light text, and the light "Next" button in the lower right.
expect_pixels "no name page title after Skip" 300 light $((left + 285)) 45 200 30
expect_pixels "no Next button on the name page" 400 count_colour $((left + 570)) 140 50 30 248 215 164
shot 10-name-page
xdotool type --delay 50 "Mochi"
shot 11-name-typed
xdotool mousemove $((left + 597)) 156 click 1  # Next
kp_wait 30 grep -q '^petName=Mochi$' "$conf" || fail "the typed name was not kept"
stop_app || fail "exit status $? after SIGTERM"
kp_expect_nothing_aside "$XDG_DATA_HOME"
echo "first run: name typed on the island"
exit 0
