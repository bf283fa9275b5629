#!/usr/bin/env bash
# End to end: the built app on $DISPLAY greets, hides, peeks under the pointer, opens on a click,
# collapses and hides after its idle delays, peeks by itself for a need, and on SIGTERM exits
# cleanly after saving the cat.
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
[ -x "$app" ] || { echo "no app at $app"; exit 1; }

scratch=$(mktemp -d /tmp/kp-island-e2e.XXXXXX)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
record=$XDG_DATA_HOME/kettlepaw/petLife.v1.json

fail() { echo "FAIL: $*"; exit 1; }

island() { xdotool search --name '^Kettlepaw Island$' 2>/dev/null | head -1; }
# "WxH" while the island is mapped, "hidden" while it is not, "none" before it exists.
island_shape() {
  local id; id=$(island)
  [ -n "$id" ] || { echo none; return; }
  local info; info=$(xwininfo -id "$id" 2>/dev/null)
  if ! grep -q "IsViewable" <<<"$info"; then echo hidden; return; fi
  echo "$(awk '/Width:/ {print $2}' <<<"$info")x$(awk '/Height:/ {print $2}' <<<"$info")"
}
# Waits up to $2 seconds for the island's shape to be $1.
expect_shape() {
  local want=$1 limit=$2 got
  for _ in $(seq $((limit * 10))); do
    got=$(island_shape)
    [ "$got" = "$want" ] && { echo "island: $want"; return 0; }
    sleep 0.1
  done
  fail "island should be $want, is $(island_shape) ($3)"
}
# With ImageMagick at hand, counts pixels near a colour in a screen rectangle.
count_colour() {  # x y w h r g b
  command -v import >/dev/null || { echo -1; return; }
  import -window root -crop "$3x$4+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk -v r="$5" -v g="$6" -v b="$7" '{
      dr = $1 - r; dg = $2 - g; db = $3 - b;
      if (dr < 0) dr = -dr; if (dg < 0) dg = -dg; if (db < 0) db = -db;
      if (dr < 40 && dg < 40 && db < 40) n++ } END { print n + 0 }'
}

# Counts lit pixels (some channel above 70) in a screen rectangle: the room's walls, not a black island.
count_lit() {  # x y w h
  command -v import >/dev/null || { echo -1; return; }
  import -window root -crop "$3x$4+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk '$1 > 70 || $2 > 70 || $3 > 70 { n++ } END { print n + 0 }'
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

read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
far_x=$((W / 2)); far_y=$((H - 40))
xdotool mousemove "$far_x" "$far_y"

# Short idle delays keep the test quick; the hover peek is on by default.
cat >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf" <<CONF
[General]
onboardedV1=true
openIdleSeconds=2
peekIdleSeconds=3
CONF

start_app
expect_shape 360x62 5 "the greeting at launch"
sleep 0.5; shot 1-greeting
expect_shape hidden 7 "the greeting ends"
shot 2-hidden
xdotool mousemove "$cx" 3
expect_shape 276x32 3 "peek under the pointer"
sleep 0.5; shot 3-peek
n=$(count_colour $((cx - 138 + 8)) 4 30 24 232 162 90)
[ "$n" = -1 ] || [ "$n" -gt 5 ] || fail "no face in the peeking island ($n)"
xdotool click 1
expect_shape 640x160 3 "open on a click"
sleep 0.5; shot 4-open
# The open island shows the room: a band across its middle is mostly lit walls.
n=$(count_lit $((cx - 300)) 60 600 20)
[ "$n" = -1 ] || [ "$n" -gt 9000 ] || fail "no room in the open island ($n lit of 12000)"
xdotool mousemove "$far_x" "$far_y"
expect_shape 276x32 5 "collapse after the open delay"
sleep 0.5; shot 5-collapsed
expect_shape hidden 6 "hide after the peek delay"
shot 6-hidden-again

rm -f "$record"
stop_app || fail "exit status $? after SIGTERM"
[ -s "$record" ] || fail "the cat was not saved at termination"
grep -q '"savedAt"' "$record" || fail "saved record has no savedAt"
echo "saved on SIGTERM, clean exit"

# A need peeks the hidden island with its mark: a quickly draining cat gets hungry a few seconds
# after the greeting has gone.
now=$(( $(date +%s) - 978307200 ))
cat >"$record" <<JSON
{"hunger":52.0,"happiness":90.0,"energy":90.0,"health":100.0,"isSleeping":false,"isDead":false,"poops":0,"birth":$((now - 3600)),"savedAt":$now}
JSON
printf 'statDrainSeconds=60\n' >>"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
start_app
expect_shape 360x62 5 "the greeting"
expect_shape hidden 7 "the greeting ends"
expect_shape 276x32 15 "peek for the need"
sleep 0.5; shot 7-need-peek
n=$(count_colour $((cx - 138 + 40)) 2 32 28 232 135 58)
[ "$n" = -1 ] || [ "$n" -gt 5 ] || fail "no need mark beside the face ($n)"
echo "need peek shown"

# With no tray host, the island's right-click menu opens Settings and quits. From the bottom up
# the menu reads "Quit Kettlepaw", "Settings…".
if [ -z "$(xdotool search --class 'trayer|stalonetray|tint2|polybar' 2>/dev/null)" ]; then
  xdotool mousemove "$cx" 10; sleep 0.5
  xdotool click 3; sleep 0.6
  xdotool key Up Up Return
  settings=
  for _ in $(seq 30); do
    settings=$(xdotool search --name '^Settings$' 2>/dev/null | head -1)
    [ -n "$settings" ] && break
    sleep 0.1
  done
  [ -n "$settings" ] || fail "Settings… did not open the settings window"
  size=$(xwininfo -id "$settings" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [ "$size" = 540x700 ] || fail "settings window is $size"
  echo "menu opened Settings ($size)"
  rm -f "$record"
  xdotool mousemove "$cx" 10; sleep 0.5
  xdotool click 3; sleep 0.6
  xdotool key Up Return
  rc=0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "Quit Kettlepaw did not quit"
  wait "$pid" || rc=$?
  pid=
  [ "$rc" = 0 ] || fail "exit status $rc after Quit"
  [ -s "$record" ] || fail "the cat was not saved on Quit"
  echo "menu quit the app, cat saved"
else
  stop_app || fail "exit status $? after SIGTERM"
fi

# A first run: the island opens on the first-run pages; past the film the name page takes typed
# keys though the island otherwise never takes the keyboard.
rm -f "$record"
printf '[General]\n' >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
xdotool mousemove "$far_x" "$far_y"
start_app
expect_shape 640x180 5 "the first-run pages"
left=$((cx - 320))
sleep 1; shot 8-film
xdotool mousemove $((left + 607)) 17 click 1   # Skip
sleep 2; shot 9-name-page
xdotool type --delay 50 "Mochi"
sleep 0.5; shot 10-name-typed
xdotool mousemove $((left + 597)) 156 click 1  # Next
sleep 1
stop_app || fail "exit status $? after SIGTERM"
grep -q '^petName=Mochi$' "$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf" || fail "the typed name was not kept"
echo "first run: name typed on the island"
exit 0
