#!/usr/bin/env bash
# What an album the app would never write costs the main thread: a living cat ten minutes old whose
# arrival page is kept (so no page is due) and, before it, either 100,000 pages of one past cat
# ("pages") or N past cats with an arrival and a farewell each ("cats N"); or that arrival page is
# itself made by hand, naming 1.5 million photos ("photos", a 24 MB record) or with a caption of
# 20 million characters under a real photo ("caption"). The app's main thread is sampled every 5 ms
# from its start: its longest stretch of work during the start (the first 8 s) and afterwards, over
# the passes every 10 s (KP_ALBUM_IDLE_SECONDS, default 35), then while the Album window opens from
# the island's album button (with the time from the click until it shows), while it turns to the
# arrival page on the Right key, and how long the app takes to end on SIGTERM after that.
# Prints the figures; fails when a stretch after the start passes KP_ALBUM_FREEZE_MS (100) or the
# app outlives SIGTERM by more than KP_ALBUM_EXIT_MS (2000).
# Usage: hand-made-album.sh [build dir] [pages | cats N | photos | caption]; without a kind, runs
# pages, photos and caption in turn. KP_ALBUM_SHOTS=<folder> keeps a screenshot of the arrival page.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
export KP_SOURCE_DIR=$(cd "$here/../.." && pwd)
source "$KP_SOURCE_DIR/tests/support/e2e.sh"
build=${KP_BUILD_DIR:-} kind= cats=0
for a in "$@"; do
  case $a in
    pages | cats | photos | caption) kind=$a ;;
    [0-9]*) cats=$a ;;
    --*) ;;
    *) build=$a ;;
  esac
done
[ -n "$build" ] || build=$(cd "$here/../.." && pwd)/build
if [ -z "$kind" ]; then
  rc=0
  for kind in pages photos caption; do bash "$0" "$build" "$kind" || rc=1; done
  exit $rc
fi
[ "$kind" = cats ] && [ "$cats" -le 0 ] && cats=50000
for tool in xdotool python3 convert; do
  command -v "$tool" >/dev/null || { echo "hand-made-album: $tool missing, skipped"; exit 0; }
done
idle=${KP_ALBUM_IDLE_SECONDS:-35}
limit=${KP_ALBUM_FREEZE_MS:-100}
exit_limit=${KP_ALBUM_EXIT_MS:-2000}
kp_cost_setup "$build"
kp_pin_day
kp_cost_settings soundOn=false musicOn=false
data=$XDG_DATA_HOME/kettlepaw

now=$(($(date +%s) - 978307200))
birth=$((now - 600))
kp_write_cat "$data/petLife.v1.json" "birth=$birth"
# The one real photo, the size of the arrival's.
mkdir -p "$data/Album"
convert -seed 1 -size 570x414 plasma:fractal -quality 85 "$data/Album/arrival.jpg" || exit 1
python3 - "$data/album.v1.json" "$kind" "$cats" "$birth" <<'PY' || exit 1
import json, sys, uuid
path, kind, cats, birth = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
def page(key, cat, date, died=False):
    return {"id": str(uuid.uuid4()).upper(), "key": key, "date": date, "catBirth": cat, "name": "Old",
            "breed": "black", "age": date - cat, "title": "a quiet afternoon",
            "note": "He watched the rain from the sill and then fell asleep in the sun.",
            "died": died, "photos": [], "captions": []}
pages = []
if kind == "pages":
    past = birth - 900 * 86400
    pages = [page("candid", past, past + 600 * i) for i in range(99999)] + [page("farewell", past, birth - 86400, True)]
else:
    for i in range(cats):
        cat = birth - 4e8 + 5000 * i
        pages += [page("arrived", cat, cat), page("farewell", cat, cat + 2000, True)]
arrival = page("arrived", birth, birth)
if kind == "photos":
    arrival["photos"] = [f"{i}.jpg" for i in range(1500000)]
    arrival["captions"] = [""] * 1500000
elif kind == "caption":
    arrival["photos"] = ["arrival.jpg"]
    arrival["captions"] = [("a quiet afternoon " * 1111112)[:20000000]]
pages.append(arrival)
open(path, "w").write(json.dumps(pages, separators=(",", ":")))
PY
case $kind in
  pages) what="100,000 pages of one past cat" ;;
  cats) what="$cats past cats" ;;
  photos) what="an arrival page naming 1.5 million photos" ;;
  caption) what="an arrival page with a caption of 20 million characters" ;;
esac
echo "hand-made-album: $what, a record of $(($(stat -c %s "$data/album.v1.json") / 1024)) kB"

# sample PID SECONDS [STOP FILE]: looks at the main thread every 5 ms, for SECONDS or until STOP FILE
# exists; prints, for each stretch it spent outside its wait for events longer than 20 ms (a freeze:
# the app answers nothing meanwhile), its start (s), its length (ms) and the thread's run time in it.
sample() {
  python3 - "$1" "$2" "${3:-}" <<'PY'
import os, sys, time
pid, seconds, stop = sys.argv[1], float(sys.argv[2]), sys.argv[3]
task = f"/proc/{pid}/task/{pid}"
WAITS = {"7", "271"}  # poll, ppoll: the event loop waits
def look():
    try:
        call = open(f"{task}/syscall").read().split()[0]
        return call in WAITS, int(open(f"{task}/schedstat").read().split()[0])
    except (OSError, IndexError):
        return None
t0 = time.monotonic()
start = None
state = look()
while state and time.monotonic() - t0 < seconds and not (stop and os.path.exists(stop)):
    t = time.monotonic()
    waiting, ran = state
    if not waiting and start is None:
        start, ran0 = t, ran
    elif waiting and start is not None:
        if t - start > 0.02: print(f"{start - t0:.2f} {(t - start) * 1e3:.0f} {(ran - ran0) / 1e6:.0f}")
        start = None
    time.sleep(0.005)
    state = look()
# A stretch still going when the sampling ends counts for as long as it was seen.
t = time.monotonic()
if state and start is not None and t - start > 0.02:
    print(f"{start - t0:.2f} {(t - start) * 1e3:.0f} {(state[1] - ran0) / 1e6:.0f}")
PY
}
longest() { awk -v from="$1" -v to="$2" '$1 >= from && $1 < to && $2 > m { m = $2 } END { print m + 0 }'; }

kp_cost_start
stretches=$(sample "$APP_PID" "$idle")
start_ms=$(longest 0 8 <<<"$stretches")
pass_ms=$(longest 8 1e9 <<<"$stretches")
echo "hand-made-album: longest freeze of the main thread: ${start_ms} ms during the start, ${pass_ms} ms over the passes after it"
[ -n "$stretches" ] && echo "$stretches" | sed 's/^/  freeze at (s, ms long, ms of work): /'

album_window() { xdotool search --onlyvisible --name '^Album$' 2>/dev/null | head -1; }
album_shown() { [ -n "$(album_window)" ]; }
read -r W _ < <(xdotool getdisplaygeometry)
cx=$((W / 2))
xdotool mousemove "$cx" 3; sleep 1; xdotool click 1; sleep 2
sample "$APP_PID" 120 "$KP_COST_SCRATCH/opened" >"$KP_COST_SCRATCH/open" &
sampler=$!
sleep 0.2
clicked=$(date +%s%N)
xdotool mousemove $((cx + 281)) 21 click 1
if kp_wait 60 album_shown; then
  shown=$(( ($(date +%s%N) - clicked) / 1000000 ))
  echo "hand-made-album: the Album showed $shown ms after the click"
else
  echo "hand-made-album: the Album did not show within a minute"
fi
sleep 1
touch "$KP_COST_SCRATCH/opened"
wait "$sampler"
open_ms=$(longest 0 1e9 <"$KP_COST_SCRATCH/open")
echo "hand-made-album: longest freeze of the main thread while it opened: $open_ms ms"

# The arrival page, the first after the cover.
turn_ms=0
if id=$(album_window) && [ -n "$id" ]; then
  xdotool mousemove 10 10 windowactivate --sync "$id" 2>/dev/null; sleep 1
  sample "$APP_PID" 120 "$KP_COST_SCRATCH/turned" >"$KP_COST_SCRATCH/turn" &
  sampler=$!
  sleep 0.2
  xdotool key Right
  sleep 3
  touch "$KP_COST_SCRATCH/turned"
  wait "$sampler"
  turn_ms=$(longest 0 1e9 <"$KP_COST_SCRATCH/turn")
  [ -n "${KP_ALBUM_SHOTS:-}" ] && import -window root "$KP_ALBUM_SHOTS/$kind.png"
  echo "hand-made-album: longest freeze of the main thread while it turned to the arrival page: $turn_ms ms"
fi
echo "hand-made-album: resident memory $(( $(awk '/^VmRSS:/ { print $2 }' /proc/"$APP_PID"/status) / 1024 )) MB"

# Gone, or only waiting for its parent to collect it.
app_ended() { [ "$(sed 's/.*) //; s/ .*//' /proc/"$APP_PID"/stat 2>/dev/null || echo Z)" = Z ]; }
termed=$(date +%s%N)
kill -TERM "$APP_PID"
kp_wait 120 app_ended
exit_ms=$(( ($(date +%s%N) - termed) / 1000000 ))
echo "hand-made-album: the app ended $exit_ms ms after SIGTERM"

rc=0
for figure in "a pass:$pass_ms" "the opening:$open_ms" "the turn:$turn_ms"; do
  awk -v p="${figure#*:}" -v l="$limit" 'BEGIN { exit !(p <= l) }' ||
    { echo "hand-made-album: ${figure%%:*} froze the app for ${figure#*:} ms"; rc=1; }
done
[ "$exit_ms" -le "$exit_limit" ] || { echo "hand-made-album: the app outlived SIGTERM by $exit_ms ms"; rc=1; }
exit $rc
