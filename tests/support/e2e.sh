# Sourced by the end-to-end scripts that run the app: the same hour, the same choices and records
# the app reads, whenever and wherever the suite runs.
source "${KP_SOURCE_DIR:?}/scripts/private-display.sh"

# Noon local time whatever the hour of the run, so the cat is not put to bed for the night; and
# the cat's random choices from a fixed seed.
kp_pin_day() {
  local hour
  hour=$(date -u +%-H)
  export TZ="KPT$((hour - 12))" KP_TEST_SEED=${KP_TEST_SEED:-7}
}

# kp_app_home DIR: the app's XDG folders under DIR, Qt left to pick the display's platform, the day
# pinned; sets `record` to the cat's record file and `conf` to the settings file.
kp_app_home() {
  export XDG_CONFIG_HOME=$1/config XDG_DATA_HOME=$1/data XDG_RUNTIME_DIR=$1/run
  mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM
  kp_pin_day
  record=$XDG_DATA_HOME/kettlepaw/petLife.v1.json
  conf=$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf
}

# kp_write_cat FILE [MEMBER=NUMBER...]: the cat's record as the app writes it (the fixture is
# checked against the app's own writer by life_tests), born an hour ago and saved now unless given.
kp_write_cat() {
  local file=$1
  shift
  local now=$(($(date +%s) - 978307200))
  python3 - "${KP_SOURCE_DIR:?}/tests/support/records/petLife.v1.json" "$file" "birth=$((now - 3600))" \
    "savedAt=$now" "$@" <<'PY'
import json, sys
record = json.load(open(sys.argv[1]))
for pair in sys.argv[3:]:
    key, value = pair.split("=", 1)
    assert key in record, f"the record has no member {key}"
    record[key] = float(value) if isinstance(record[key], float) else json.loads(value)
open(sys.argv[2], "w").write(json.dumps(record, separators=(",", ":")))
PY
}

# Fails when the app kept a record aside as unreadable in the data folder DIR.
kp_expect_nothing_aside() {
  local aside
  aside=$(find "$1" -name '*.unreadable-*' 2>/dev/null)
  [ -z "$aside" ] || { echo "FAIL: the app kept records aside as unreadable: $aside"; exit 1; }
}

# How many times slower than at rest the machine runs now: the tasks waiting for a core per core
# over the last minute, from 1 to 10 (KP_SLOWNESS sets it). Every wait for a condition, and every
# bound a script puts on how soon the app answers, grows with it: a machine whose every core is busy
# with something else answers late, not wrongly. A wait grows to two minutes at most, so that a
# script fails saying why well before the suite's limit ends it.
kp_slowness=${KP_SLOWNESS:-$(awk -v cores="$(nproc)" '{ s = int($1 / cores + 0.999); print (s < 1 ? 1 : s > 10 ? 10 : s) }' /proc/loadavg)}

# kp_wait SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; false when
# it has not within SECONDS (times the machine's slowness, up to two minutes). The window manager
# is woken meanwhile, so a window it should take on does not wait for it.
kp_wait() {
  local limit=$(($1 * kp_slowness))
  [ "$limit" -le 120 ] || limit=$(($1 > 120 ? $1 : 120))
  local deadline=$(($(date +%s%3N) + limit * 1000))
  shift
  until "$@"; do
    [ "$(date +%s%3N)" -lt "$deadline" ] || return 1
    [ -n "${DISPLAY:-}" ] && kp_nudge_manager
    sleep 0.1
  done
}

# kp_never SECONDS COMMAND...: true when COMMAND held at no look within SECONDS, on any machine:
# what must not happen is looked for, not waited for.
kp_never() { ! kp_slowness=1 kp_wait "$@"; }

# kp_need_faketime: sets `preload` to what LD_PRELOAD takes to run the app under libfaketime (a
# sanitized app's runtime first, as it wants); skips (77) without libfaketime.
kp_need_faketime() {
  local lib asan
  lib=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 2>/dev/null | head -1)
  [ -n "$lib" ] || { echo "libfaketime missing: skipped"; exit 77; }
  asan=$(ldd "${KP_BUILD_DIR:?}/src/app/kettlepaw" 2>/dev/null | awk '/libasan/ {print $3}')
  preload="${asan:+$asan }$lib"
}

# kp_need_app TOOL...: skips (77) when a tool is missing, fails when the app is not built.
kp_need_app() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
  done
  [ -x "${KP_BUILD_DIR:?}/src/app/kettlepaw" ] || { echo "no app under $KP_BUILD_DIR"; exit 1; }
}

# kp_start_app LOG [VAR=VALUE...]: the built app in the background with those variables set, its
# output in LOG; `app_pid` is its pid, also added to `pids` (stopped on exit where kp_scratch_dir
# made the scratch folder). It ends with the script, however the script ends.
kp_start_app() {
  local orphaned=()
  command -v setpriv >/dev/null && orphaned=(setpriv --pdeathsig KILL)
  "${orphaned[@]}" env "${@:2}" "${KP_BUILD_DIR:?}/src/app/kettlepaw" >"$1" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  kp_app_log=$1
  if [ -n "${kp_memory_bound:-}" ]; then
    _kp_watch_memory "$app_pid" "$kp_memory_bound" "$1" &
    pids+=($!)
  fi
}

# kp_refuse_threads FILE: sets `refusing` to what kp_start_app takes for an app that can start no
# thread once FILE exists, as under a limit on threads lowered while it runs: a preloaded library
# refuses them (ahead of the sanitizers' runtime, so that it sees the threads that one starts).
kp_refuse_threads() {
  local asan
  asan=$(ldd "${KP_BUILD_DIR:?}/src/app/kettlepaw" 2>/dev/null | awk '/libasan/ {print $3}')
  refusing=(LD_PRELOAD="$KP_BUILD_DIR/tests/libkp_no_new_threads.so${asan:+ $asan}" KP_NO_NEW_THREADS="$1"
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
}

# Whether the app is built with AddressSanitizer.
kp_sanitized() { ldd "${KP_BUILD_DIR:?}/src/app/kettlepaw" 2>/dev/null | grep -q libasan; }

# kp_bound_memory KB: the apps started from here on get KB of memory at most, so that a read that
# never ends fails there, not the machine: a limit on their address space, or under
# AddressSanitizer (whose shadow memory alone takes terabytes of address space) a watch that ends
# an app whose resident memory goes over KB, saying so in its log.
kp_bound_memory() {
  if kp_sanitized; then kp_memory_bound=$1; else ulimit -v "$1"; fi
}
_kp_watch_memory() {
  local rss
  while rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null) && [ -n "$rss" ]; do
    if [ "$rss" -gt "$2" ]; then
      echo "the app's resident memory of $rss kB went over the bound of $2 kB: ended" >>"$3"
      kill -KILL "$1"
      return
    fi
    sleep 0.1
  done
}
# kp_launch_app WHAT LOG [VAR=VALUE...]: kp_start_app, then waits until the app has launched (its
# island exists: its records have been read by then); fails naming WHAT when it ends first or has
# not launched within two minutes.
kp_launch_app() {
  kp_start_app "${@:2}"
  _kp_launching=$1
  kp_wait 120 _kp_launched || kp_fail "$1: the app did not start"
}
_kp_launched() {
  kill -0 "$app_pid" 2>/dev/null || kp_fail "$_kp_launching: the app ended while starting"
  xwininfo -root -tree 2>/dev/null | grep -q '"Kettlepaw Island"'
}
# kp_stop_app: SIGTERM, then the app's exit status.
kp_stop_app() {
  kill -TERM "$app_pid"
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=
  return $rc
}
# kp_expect_exit SECONDS WHY: waits for the app to end by itself; fails unless it exited 0.
kp_expect_exit() {
  kp_wait "$1" eval '! kill -0 "$app_pid" 2>/dev/null' || kp_fail "$2: the app did not end"
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=
  [ "$rc" = 0 ] || kp_fail "$2: the app exited with $rc"
}
# kp_expect_saved BEFORE RECORD: fails unless RECORD was saved after the copy BEFORE was taken.
kp_expect_saved() {
  python3 - "$1" "$2" <<'PY' || kp_fail "the cat was not saved at the end"
import json, sys
before, after = (json.load(open(p)) for p in sys.argv[1:])
assert after["savedAt"] > before["savedAt"], "the record was not saved again"
PY
}
# kp_fail MESSAGE: says what failed, shows the app's log and ends the script.
kp_fail() {
  echo "FAIL: $*"
  [ -n "${kp_app_log:-}" ] && { echo "--- app log"; cat "$kp_app_log" 2>/dev/null; }
  # An app still running where it should have done something: where its main thread is. A debugger
  # ended while attached can leave it stopped, so it is ended whatever the debugger did.
  if [ -n "${app_pid:-}" ] && kill -0 "$app_pid" 2>/dev/null && command -v gdb >/dev/null; then
    echo "--- the app's main thread"
    timeout -k 5 30 gdb -batch -p "$app_pid" -ex 'thread 1' -ex bt 2>/dev/null </dev/null | grep '^#' | head -40
    kill -KILL "$app_pid" 2>/dev/null
  fi
  exit 1
}

# The island window: "WxH+X+Y" while it is mapped, "hidden" otherwise.
kp_island_at() {
  local id info
  id=$(xdotool search --name '^Kettlepaw Island$' 2>/dev/null | head -1)
  info=$([ -n "$id" ] && xwininfo -id "$id" 2>/dev/null)
  grep -q IsViewable <<<"$info" || { echo hidden; return; }
  awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2}
    END { printf "%sx%s+%s+%s\n", w, h, x, y }' <<<"$info"
}
_kp_island_is() { [[ "$(kp_island_at)" == $1 ]]; }
# kp_expect_island PATTERN SECONDS WHY: waits for the island to match PATTERN ("276x32+*", hidden).
kp_expect_island() {
  kp_wait "$2" _kp_island_is "$1" || kp_fail "island should be $1, is $(kp_island_at) ($3)"
  echo "island: $(kp_island_at) ($3)"
}

# The screen's pixels in a rectangle X Y W H, as "r g b" lines.
kp_pixels() {
  import -window root -crop "$3x$4+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}
# kp_count_colour X Y W H R G B: pixels near a colour.
kp_count_colour() {
  kp_pixels "$1" "$2" "$3" "$4" | awk -v r="$5" -v g="$6" -v b="$7" '{
      dr = $1 - r; dg = $2 - g; db = $3 - b;
      if (dr < 0) dr = -dr; if (dg < 0) dg = -dg; if (db < 0) db = -db;
      if (dr < 40 && dg < 40 && db < 40) n++ } END { print n + 0 }'
}
# kp_count_lit X Y W H: pixels with some channel above 70 (walls, not a black island).
kp_count_lit() { kp_pixels "$@" | awk '$1 > 70 || $2 > 70 || $3 > 70 { n++ } END { print n + 0 }'; }
# kp_count_light X Y W H: pixels with every channel above 200 (text on a dark ground).
kp_count_light() { kp_pixels "$@" | awk '$1 > 200 && $2 > 200 && $3 > 200 { n++ } END { print n + 0 }'; }
_kp_more_than() { local floor=$1; shift; [ "$("$@")" -gt "$floor" ]; }
# kp_expect_pixels WHAT N COUNT-COMMAND...: waits up to 20 s for the count to pass N.
kp_expect_pixels() {
  local what=$1; shift
  kp_wait 20 _kp_more_than "$@" || { shift; kp_fail "$what ($("$@") pixels)"; }
}
# kp_shot NAME X Y W H: with KP_SHOTS_DIR set, keeps that part of the screen as NAME.png.
kp_shot() {
  [ -n "${KP_SHOTS_DIR:-}" ] || return 0
  mkdir -p "$KP_SHOTS_DIR"
  import -window root -crop "$4x$5+$2+$3" "$KP_SHOTS_DIR/$1.png" 2>/dev/null
}

# The app's windows on screen, one id a line.
_kp_app_windows() { xdotool search --onlyvisible --class '^kettlepaw$' 2>/dev/null | sort; }
# The middle of the app's tray icon as "x y"; nothing without a tray host.
kp_tray_icon() {
  xwininfo -root -tree 2>/dev/null |
    awk '/ "Kettlepaw": \("kettlepaw" "Kettlepaw"\)/ {
      split($NF, at, "+"); split($(NF-1), size, "[x+]");
      print at[2] + int(size[1] / 2), at[3] + int(size[2] / 2); exit }'
}
# kp_open_menu: opens the app's menu, in the tray where a tray host runs, else on the peeking
# island's right click. A click a busy desktop drops is made again, up to four times.
kp_open_menu() {
  local before icon _ cx
  before=$(_kp_app_windows)
  cx=$(($(xdotool getdisplaygeometry | cut -d' ' -f1) / 2))
  _kp_menu_opened() { [ -n "$(comm -13 <(echo "$before") <(_kp_app_windows))" ]; }
  for _ in 1 2 3 4; do
    icon=$(kp_tray_icon)
    if [ -n "$icon" ]; then
      xdotool mousemove $icon click 3
    else
      xdotool mousemove "$cx" 10
      kp_wait 20 _kp_island_is '276x32+*' || kp_fail "no island to right-click ($(kp_island_at))"
      xdotool click 3
    fi
    kp_wait 10 _kp_menu_opened && return
  done
  kp_fail "the menu did not open"
}
# kp_click_for X Y BUTTON COMMAND...: clicks there until COMMAND holds; a click a busy desktop
# drops is made again, up to four times. False when none did.
kp_click_for() {
  local at=("${@:1:3}") _
  shift 3
  for _ in 1 2 3 4; do
    xdotool mousemove "${at[0]}" "${at[1]}" click "${at[2]}"
    kp_wait 10 "$@" && return
  done
  return 1
}
# kp_click_until X Y BUTTON WHAT PATTERN: clicks there until the island matches PATTERN.
kp_click_until() {
  kp_click_for "$1" "$2" "$3" _kp_island_is "$5" || kp_fail "$4: the island is $(kp_island_at)"
  echo "island: $(kp_island_at) ($4)"
}
# kp_menu_at X Y WHAT: a right-click there shows the app's menu (a new window of the app); Escape
# closes it.
kp_menu_at() {
  local before
  before=$(_kp_app_windows)
  _kp_new_window() { [ -n "$(comm -13 <(echo "$before") <(_kp_app_windows))" ]; }
  kp_click_for "$1" "$2" 3 _kp_new_window || kp_fail "$3: no menu"
  echo "menu: $3"
  xdotool key Escape
  kp_wait 10 eval '! _kp_new_window' || kp_fail "$3: the menu stays"
}
