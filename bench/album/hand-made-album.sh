#!/usr/bin/env bash
# What an album the app would never write costs the main thread: a living cat ten minutes old whose
# arrival page is kept (so no page is due) and, before it, either 100,000 pages of one past cat
# ("pages") or N past cats with an arrival and a farewell each ("cats N"). The app's main thread is
# sampled every 5 ms from its start: its longest stretch of work during the start (the first 8 s)
# and afterwards, over the passes every 10 s (KP_ALBUM_IDLE_SECONDS, default 35), then while the
# Album window opens from the island's album button (with the time from the click until it shows).
# Prints the figures; fails when a stretch after the start passes KP_ALBUM_FREEZE_MS (100).
# Usage: hand-made-album.sh [build dir] [pages | cats N]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/app-cost.sh"
export KP_SOURCE_DIR=$(cd "$here/../.." && pwd)
source "$KP_SOURCE_DIR/tests/support/e2e.sh"
build=${KP_BUILD_DIR:-} kind=pages cats=0
for a in "$@"; do
  case $a in
    pages) kind=pages ;;
    cats) kind=cats ;;
    [0-9]*) cats=$a ;;
    --*) ;;
    *) build=$a ;;
  esac
done
[ -n "$build" ] || build=$(cd "$here/../.." && pwd)/build
[ "$kind" = cats ] && [ "$cats" -le 0 ] && cats=50000
for tool in xdotool python3; do
  command -v "$tool" >/dev/null || { echo "hand-made-album: $tool missing, skipped"; exit 0; }
done
idle=${KP_ALBUM_IDLE_SECONDS:-35}
limit=${KP_ALBUM_FREEZE_MS:-100}
kp_cost_setup "$build"
kp_pin_day
kp_cost_settings soundOn=false musicOn=false
data=$XDG_DATA_HOME/kettlepaw

now=$(($(date +%s) - 978307200))
birth=$((now - 600))
kp_write_cat "$data/petLife.v1.json" "birth=$birth"
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
pages.append(page("arrived", birth, birth))
open(path, "w").write(json.dumps(pages, separators=(",", ":")))
PY
what=$([ "$kind" = pages ] && echo "100,000 pages of one past cat" || echo "$cats past cats")
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
echo "hand-made-album: longest freeze of the main thread while it opened: $(longest 0 1e9 <"$KP_COST_SCRATCH/open") ms"
echo "hand-made-album: resident memory $(( $(awk '/^VmRSS:/ { print $2 }' /proc/"$APP_PID"/status) / 1024 )) MB"
awk -v p="$pass_ms" -v l="$limit" 'BEGIN { exit !(p <= l) }' || { echo "hand-made-album: a pass froze the app for $pass_ms ms"; exit 1; }
