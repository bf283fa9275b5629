#!/usr/bin/env bash
# End to end: the built app on a display of its own opens its island on a click, and each tab
# shows its room as a person sees it: the room's own wall colour beside the bar, and the cat,
# orange, in the room it is in. Noon, the weather and the cat's choices are pinned.
set -uo pipefail
for tool in Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
app=${KP_BUILD_DIR:?}/src/app/kettlepaw
[ -x "$app" ] || { echo "no app at $app"; exit 1; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"

kp_scratch_dir kp-rooms-e2e
kp_app_home "$scratch"
fail() { echo "FAIL: $*"; cat "$scratch/app.log" 2>/dev/null; exit 1; }
kp_start_display 180 "$scratch/x.log" || fail "no display"
printf '[General]\nonboardedV1=true\nliveWeather=false\nopenIdleSeconds=600\npeekIdleSeconds=600\n' >"$conf"
kp_write_cat "$record" hunger=90 happiness=90 energy=90 health=100

kp_start_app "$scratch/app.log"
read -r W _ < <(xdotool getdisplaygeometry)
left=$((W / 2 - 320))

island_is() {  # WxH of the mapped island
  local id info
  id=$(xdotool search --name '^Kettlepaw Island$' 2>/dev/null | head -1)
  [ -n "$id" ] || return 1
  info=$(xwininfo -id "$id" 2>/dev/null)
  grep -q IsViewable <<<"$info" && [ "$(awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}' <<<"$info")" = "$1" ]
}
# The island shows after its greeting: under the pointer at the top it peeks, a click opens it.
kp_wait 60 island_is 360x62 || fail "no greeting"
xdotool mousemove $((W / 2)) 3
kp_wait 60 island_is 276x32 || fail "no peek under the pointer"
kp_click_for $((W / 2)) 3 1 island_is 640x160 || fail "the island did not open"

# Pixels within a tolerance of a colour ("RRGGBB") in a rectangle of the room (room coordinates).
count_near() {  # x y w h colour tolerance
  import -window root -crop "$3x$4+$((left + $1))+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk -v r=$((16#${5:0:2})) -v g=$((16#${5:2:2})) -v b=$((16#${5:4:2})) -v tol="$6" '{
      dr = $1 - r; dg = $2 - g; db = $3 - b
      if (dr < 0) dr = -dr; if (dg < 0) dg = -dg; if (db < 0) db = -db
      if (dr <= tol && dg <= tol && db <= tol) n++ } END { print n + 0 }'
}
above() { [ "$("${@:2}")" -gt "$1" ]; }

# The cat, orange fur, in the room below the bar (decorations and pots give a hundred or so).
cat_shown() { above 250 count_near 0 40 640 120 E8A25A 30; }
cat_seen=0

# Tab centres in the bar (room coordinates), and each room's wall by the bar's gap, the top of
# its gradient a few points down; the garden's is its clear noon sky. A cloud may pass there.
tabs=(459 488 517 546 575)
rooms=(bedroom living kitchen care garden)
walls=(D8C2A8 A8B4C4 9EC8DA E4F0EA 7FC0EE)
wall_shown() { above 1200 count_near 240 4 160 20 "$1" 8; }
for i in 0 1 2 3 4; do
  kp_click_for $((left + tabs[i])) 21 1 wall_shown "${walls[i]}"
  [ -n "${KP_SHOTS_DIR:-}" ] && mkdir -p "$KP_SHOTS_DIR" && import -window root -crop "640x160+$left+0" "$KP_SHOTS_DIR/${rooms[i]}.png"
  wall_shown "${walls[i]}" || fail "${rooms[i]}: wall ${walls[i]} not shown ($(count_near 240 4 160 20 "${walls[i]}" 8) pixels)"
  cat_shown && cat_seen=$((cat_seen + 1))
  echo "${rooms[i]}: wall shown"
done
# Wherever it was, the cat follows the last tab into the garden.
[ "$cat_seen" -gt 0 ] || kp_wait 30 cat_shown || fail "the cat was seen in no room"
echo "every room shows its wall; the cat is seen where it is"
kill "$app_pid" && wait "$app_pid"
