#!/usr/bin/env bash
# End to end, in three parts as the argument names: a clock wrong at the first start (1999, then
# 1970: "first"), a clock a year ahead for a while as the app runs ("ahead"), and one start under a
# clock two years ahead ("twoyears"): each time, once the clock is right, the cat is as old as the
# time it lived, its record and album are not ahead of the clock, and the time away counts again.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo python3
part=${1:?which part: first, ahead or twoyears}
case $part in first | ahead | twoyears) ;; *) echo "no part $part"; exit 1 ;; esac
kp_need_faketime
kp_scratch_dir kp-clock-wrong
kp_start_display 176 "$scratch/x.log" || exit 1

# home NAME: a fresh home for the app, past the first run.
home() {
  kp_app_home "$scratch/$1"
  printf 'onboardedV1=true\n' >"$conf"
  album=$XDG_DATA_HOME/kettlepaw/album.v1.json
}
now() { python3 -c 'import time; print(time.time() - 978307200)'; }
# The clock as the record counts it, at once.
moment() { awk -v t="$(date +%s.%N)" 'BEGIN { printf "%.3f\n", t - 978307200 }'; }
# launch WHAT VAR=VALUE...: the app under the clock faketime's variables give (FAKETIME=-10d, say),
# the machine's own count left as it is.
launch() {
  kp_launch_app "$1" "$scratch/$1.log" LD_PRELOAD="$preload" FAKETIME_DONT_FAKE_MONOTONIC=1 "${@:2}"
}
# stop WHAT: SIGTERM; `signalled` is when it was sent, `ended` when the app had ended.
stop() {
  signalled=$(moment)
  kp_stop_app || kp_fail "$1: the app did not exit 0 on SIGTERM"
  ended=$(moment)
  kp_expect_nothing_aside "$XDG_DATA_HOME"
}
# check WHAT <<'CHECK' ... CHECK: a Python check with `rec` (the record), `pages` (the album), `now`,
# `written` (when the script wrote the record), `began` (when the first app of the home started),
# `signalled` and `ended` (the last stop's).
check() {
  local body
  body=$(cat)
  python3 -c '
import json, os, sys
rec = json.load(open(sys.argv[1]))
pages = json.load(open(sys.argv[2])) if os.path.exists(sys.argv[2]) else []
now, written, began, signalled, ended = map(float, sys.argv[3:8])
exec(sys.argv[8])
' "$record" "$album" "$(now)" "${written:-0}" "$began" "$signalled" "$ended" "$body" || kp_fail "$1"
}
album_has_pages() { [ -s "$album" ]; }
saved_at() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["savedAt"])' "$record" 2>/dev/null; }
saved_since() { [ "$(saved_at)" != "$1" ]; }
days_to() { python3 -c "import datetime as d; print((d.date.today() - d.date($1)).days)"; }

# --- A first start under a clock at 1999, then one at 1970, then the right one.
if [ "$part" = first ]; then
  home first
  began=$(moment)
  launch "first start at 1999" FAKETIME="-$(days_to '1999, 6, 1')d"
  stop "first start at 1999"
  check "first start at 1999" <<'CHECK'
ago = (now - rec["birth"]) / 86400
assert ago < 30, f"born {ago:.0f} days ago"
assert rec.get("clockUnknown") is True, f"no mark of a wrong clock: {rec}"
print(f"under 1999: born {ago:.1f} days before today, saved {rec['savedAt'] - rec['birth']:.0f} s after")
CHECK
  launch "second start at 1970" FAKETIME="-$(days_to '1970, 1, 1')d"
  stop "second start at 1970"
  launch "right clock" FAKETIME=+0
  kp_wait 60 album_has_pages || kp_fail "right clock: the album collected nothing"
  stop "right clock"
  check "right clock after 1999 and 1970" <<'CHECK'
age = rec["savedAt"] - rec["birth"]
assert 0 <= age <= ended - began + 1, f"{age / 86400:.1f} days old after three runs of {ended - began:.0f} s in all"
assert signalled - 1 <= rec["savedAt"] <= ended + 1, \
    f"saved {rec['savedAt'] - signalled:+.0f} s from the SIGTERM, the app having ended {ended - signalled:.1f} s after it"
assert rec["hunger"] < 60 and rec["health"] == 100, f"hunger {rec['hunger']:.1f}, health {rec['health']:.1f}"
assert "clockUnknown" not in rec
keys = [p["key"] for p in pages]
assert len(pages) <= 3 and not any(k.startswith(("days-", "months-", "years-")) for k in keys), f"{len(pages)} pages: {keys}"
assert all(now - 600 <= p["date"] <= now + 1 for p in pages), [round(p["date"] - now) for p in pages]
print(f"right again: {age:.0f} s old, hunger {rec['hunger']:.1f}, pages {keys}")
CHECK
fi

# --- A year ahead for a while as the app runs, then right.
if [ "$part" = ahead ]; then
  home ahead
  began=$(moment)
  written=$(python3 -c 'import time; print(int(time.time()) - 978307200)')
  kp_write_cat "$record" hunger=40 energy=90 birth=$((written - 86400)) savedAt="$written"
  clock=$scratch/clock
  echo "+0" >"$clock"
  launch "a year ahead" FAKETIME_TIMESTAMP_FILE="$clock" FAKETIME_NO_CACHE=1
  kp_wait 60 album_has_pages || kp_fail "a year ahead: the album collected nothing"
  echo "+365d" >"$clock"
  # Two saves under the clock ahead, the album collecting meanwhile, then one under the right one.
  for _ in 1 2; do
    before=$(saved_at)
    kp_wait 40 saved_since "$before" || kp_fail "a year ahead: no save"
  done
  echo "+0" >"$clock"
  before=$(saved_at)
  kp_wait 40 saved_since "$before" || kp_fail "right again: no save"
  stop "a year ahead"
  check "a year ahead for a while" <<'CHECK'
assert rec["birth"] == written - 86400, "a new cat"
assert rec["savedAt"] <= now + 1, f"saved {(rec['savedAt'] - now) / 86400:.0f} days ahead"
age = rec["savedAt"] - rec["birth"]
assert age < 2 * 86400, f"{age / 86400:.0f} days old"
ahead = [(p["key"], round((p["date"] - now) / 86400)) for p in pages if p["date"] > now + 1]
assert not ahead, f"pages dated ahead (key, days): {ahead}"
assert not any(p["key"].startswith(("months-", "years-")) for p in pages), [p["key"] for p in pages]
print(f"after a year ahead: {age / 86400:.2f} days old, {len(pages)} pages")
CHECK
fi

# --- One start under a clock two years ahead, then the right clock, then 600 s away.
if [ "$part" = twoyears ]; then
  home twoyears
  began=$(moment)
  written=$(python3 -c 'import time; print(int(time.time()) - 978307200)')
  kp_write_cat "$record" hunger=40 energy=90 birth=$((written - 86400)) savedAt="$written"
  launch "two years ahead" FAKETIME=+730d
  kp_wait 60 album_has_pages || kp_fail "two years ahead: the album collected nothing"
  stop "two years ahead"
  launch "right after two years ahead" FAKETIME=+0
  no_page_ahead() {
    python3 -c 'import json, sys, time; sys.exit(any(p["date"] > time.time() - 978307200 + 1 for p in json.load(open(sys.argv[1]))))' "$album"
  }
  kp_wait 30 no_page_ahead || true
  stop "right after two years ahead"
  check "right after two years ahead" <<'CHECK'
assert rec["birth"] == written - 86400, "a new cat"
assert rec["savedAt"] <= now + 1, f"saved {(rec['savedAt'] - now) / 86400:.0f} days ahead"
ahead = [(p["key"], round((p["date"] - now) / 86400)) for p in pages if p["date"] > now + 1]
assert not ahead, f"pages dated ahead (key, days): {ahead}"
assert not any(p["key"].startswith(("months-", "years-")) for p in pages), [p["key"] for p in pages]
print(f"right again: {(rec['savedAt'] - rec['birth']) / 86400:.2f} days old, {len(pages)} pages")
CHECK
  # Fed and rested, then 600 s away: the hunger rises as over the time between the two saves.
  written=$(python3 - "$record" <<'PY'
import json, sys
rec = json.load(open(sys.argv[1]))
rec.update(hunger=40.0, energy=95.0, isSleeping=False)
open(sys.argv[1], "w").write(json.dumps(rec, separators=(",", ":")))
print(rec["savedAt"])
PY
  )
  launch "600 s later" FAKETIME=+600s
  stop "600 s later"
  check "600 s away after the clock came back" <<'CHECK'
risen, between = rec["hunger"] - 40, rec["savedAt"] - written
assert 600 <= between, f"saved {between:.0f} s after the last save"
assert abs(risen - between * 100 / 1800) <= 1.5, f"hunger rose {risen:.1f} in {between:.0f} s"
print(f"600 s away: hunger +{risen:.1f} in {between:.0f} s")
CHECK
fi

echo "PASS ($part)"
