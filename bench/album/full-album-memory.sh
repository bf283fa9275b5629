#!/usr/bin/env bash
# The memory a full album adds to the running app. The cat's record and an album of 400 keepsakes
# with 800 photos are written as the app writes them; the app opens the album from the island's
# album button, turns every page on the Right key (each turn animated), is minimised and restored,
# and closes the album with its Close button. The app's resident memory is read before the album
# opens (the island open), at its peak while the album is open and after the album has closed, at
# scale 1 and 2. Fails when the album adds more than 60 MB (KP_ALBUM_MEMORY_MB) or the last page
# was not reached.
# Usage: full-album-memory.sh [build dir]   KP_ALBUM_SCALES (default "1 2") picks the scales;
# KP_ALBUM_SHOTS=<folder> keeps a screenshot every 50 pages and near the end.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
export KP_SOURCE_DIR=$(cd "$here/../.." && pwd)
source "$KP_SOURCE_DIR/tests/support/e2e.sh"
kp_cost_args "$@"
for tool in xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "full-album-memory: $tool missing, skipped"; exit 0; }
done
limit=${KP_ALBUM_MEMORY_MB:-60}
# Room for the album window at scale 2 (1440 pixels tall), as on a high-density screen.
export KP_SCREEN_SIZE=2880x1800
kp_cost_setup "$build"
data=$XDG_DATA_HOME/kettlepaw

# The cat, 30 days old, and its 400 keepsakes spread over those days, two photos each: the room
# photo's and the film frame's size, with detail so that their files weigh what real ones do.
now=$(($(date +%s) - 978307200))
birth=$((now - 30 * 86400))
kp_write_cat "$data/petLife.v1.json" "birth=$birth"
mkdir -p "$data/Album" "$KP_COST_SCRATCH/photos"
for i in $(seq 0 15); do
  size=$([ $((i % 2)) = 0 ] && echo 521x354 || echo 570x414)
  convert -seed "$i" -size "$size" plasma:fractal -quality 85 "$KP_COST_SCRATCH/photos/$i.jpg" || exit 1
done
python3 - "$data" "$KP_COST_SCRATCH/photos" "$birth" "$now" <<'PY' || exit 1
import json, shutil, sys, uuid
data, photos, birth, now = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
keepsakes = []
for i in range(400):
    names = []
    for j in range(2):
        name = str(uuid.uuid4()).upper() + ".jpg"
        shutil.copy(f"{photos}/{(2 * i + j) % 16}.jpg", f"{data}/Album/{name}")
        names.append(name)
    date = birth + (now - 3600 - birth) * (i + 1) / 401
    keepsakes.append({"id": str(uuid.uuid4()).upper(), "key": "candid", "date": date, "catBirth": birth,
                      "name": "Tobbi", "breed": "orange", "age": date - birth, "title": "a quiet afternoon",
                      "note": "He watched the rain from the sill and then fell asleep in the sun.",
                      "died": False, "photos": names, "captions": ["then", "now"]})
open(f"{data}/album.v1.json", "w").write(json.dumps(keepsakes, separators=(",", ":")))
PY

rss_kb() { awk '/^VmRSS:/ { print $2 }' /proc/"$APP_PID"/status 2>/dev/null || echo 0; }
album_window() { xdotool search --onlyvisible --name '^Album$' 2>/dev/null | head -1; }
album_shown() { [ -n "$(album_window)" ]; }
album_gone() { [ -z "$(album_window)" ]; }
# The window's client area on screen: "x y width height".
window_box() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width/ { w = $NF } /^ *Height/ { h = $NF } END { print x, y, w, h }'
}
# The next-page chevron is bright while there is a page after this one. Its place follows the
# viewer's layout: centred under the book, right of a page label at least 120 points wide.
next_lit() {
  local X Y WIDTH HEIGHT
  read -r X Y WIDTH HEIGHT < <(window_box "$1")
  read -r x y w h < <(awk -v X="$X" -v Y="$Y" -v W="$WIDTH" -v H="$HEIGHT" -v s="$scale" 'BEGIN {
      w = W / s; h = H / s; b = 0.68 * (h - 188); if (w - 48 < b) b = w - 48
      printf "%d %d %d %d\n", X + (w / 2 + 92) * s, Y + (72 + b / 0.68 + 18 + 12) * s, 52 * s, 24 * s }')
  [ "$(import -window root -crop "${w}x${h}+${x}+${y}" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk '$1 > 200 && $2 > 190 { n++ } END { print n + 0 }')" -gt 4 ]
}

# Waits (up to 3 s) until the app has used no processor time for an eighth of a second.
wait_quiet() {
  local a b _
  a=$(kp_cost_cpu_ns "$APP_PID")
  for _ in $(seq 24); do
    sleep 0.125
    b=$(kp_cost_cpu_ns "$APP_PID")
    [ "$a" = "$b" ] && return 0
    a=$b
  done
}

rc=0
for scale in ${KP_ALBUM_SCALES:-1 2}; do
  kp_cost_start QT_SCALE_FACTOR="$scale"
  sleep 10   # the greeting, the island hiding and the first collection pass
  read -r W H < <(xdotool getdisplaygeometry)
  cx=$((W / 2))
  xdotool mousemove "$cx" 3; sleep 1; xdotool click 1; sleep 2
  rest=$(rss_kb)
  peak=$rest
  # The album button sits right of the five room tabs on the island's bar.
  xdotool mousemove $((cx + 281 * scale)) $((21 * scale)); sleep 0.3; xdotool click 1
  kp_wait 30 album_shown
  id=$(album_window)
  if [ -z "$id" ]; then
    echo "full-album-memory: scale $scale: the album did not open"; rc=1
    kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; continue
  fi
  xdotool mousemove 10 $((H - 10)); xdotool windowactivate --sync "$id" 2>/dev/null; sleep 1
  # A turn takes three quarters of a second and a key pressed during one is not taken: each press
  # waits for the app to go quiet. The chevron is looked at now and then, and at every press near
  # the end.
  presses=0 ended=0
  while [ $presses -lt 1200 ]; do
    xdotool key Right; presses=$((presses + 1))
    sleep 0.7; wait_quiet
    kb=$(rss_kb); [ "$kb" -gt "$peak" ] && peak=$kb
    if [ $((presses % 50)) = 0 ] || [ $presses -ge 395 ]; then
      [ -n "${KP_ALBUM_SHOTS:-}" ] && import -window root "$KP_ALBUM_SHOTS/s$scale-$presses.png"
      next_lit "$id" || { ended=1; break; }
    fi
  done
  xdotool windowminimize --sync "$id" 2>/dev/null; sleep 1
  xdotool windowactivate --sync "$id" 2>/dev/null; sleep 2
  kb=$(rss_kb); [ "$kb" -gt "$peak" ] && peak=$kb
  read -r X Y WIDTH _ < <(window_box "$id")
  xdotool mousemove $((X + WIDTH - 40 * scale)) $((Y + 36 * scale)); sleep 0.3; xdotool click 1
  kp_wait 20 album_gone || { echo "full-album-memory: scale $scale: the album did not close"; rc=1; }
  sleep 3
  closed=$(rss_kb)
  kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null
  awk -v r="$rest" -v p="$peak" -v c="$closed" -v s="$scale" -v t="$presses" -v l="$limit" 'BEGIN {
    printf "full-album-memory: scale %s: %d key presses; %.1f MB at rest with the island open, +%.1f MB at the peak, +%.1f MB after the close (limit %d MB)\n",
      s, t, r / 1024, (p - r) / 1024, (c - r) / 1024, l }'
  [ $ended = 1 ] || { echo "full-album-memory: scale $scale: the last page was not reached"; rc=1; }
  awk -v r="$rest" -v p="$peak" -v l="$limit" 'BEGIN { exit !((p - r) / 1024 <= l) }' ||
    { echo "full-album-memory: scale $scale: over the limit"; rc=1; }
done
exit $rc
