#!/usr/bin/env bash
# End to end: a cat whose every stat differs from a newborn's comes back from the running app,
# ended with SIGTERM, as it went in; started again and ended again, the app writes back what it
# read. Only the stat step's drift over the seconds between two saves is allowed.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo python3
kp_scratch_dir kp-record-restart
kp_app_home "$scratch"
printf 'onboardedV1=true\n' >"$conf"
kp_start_display 171 "$scratch/x.log" || exit 1

# Asleep for the night until half an hour from now: nothing but the stat step moves it meanwhile.
now=$(python3 -c 'import time; print(repr(time.time() - 978307200))')
python3 - "$KP_SOURCE_DIR/tests/support/records/petLife.v1.json" "$record" "$now" <<'PY'
import json, sys
record = json.load(open(sys.argv[1]))
now = float(sys.argv[3])
cat = {"hunger": 63.5, "happiness": 41.25, "energy": 35.5, "health": 72.75, "isSleeping": True,
       "isDead": False, "poops": 2, "birth": now - 10 * 86400 - 0.5, "poopDue": now + 3000.25,
       "ballPlace": 0.33, "savedAt": now, "nightSleepUntil": now + 1800.5, "sleptNight": now - 50000.75}
missing = set(record) - set(cat)
assert not missing, f"the test writes no value for {missing}"
json.dump(cat, open(sys.argv[2], "w"), separators=(",", ":"))
PY
cp "$record" "$scratch/written.json"

# One run: started, up once its island exists (the record has been read by then), ended with SIGTERM.
run_once() {
  kp_launch_app "$1" "$scratch/app-$1.log"
  kp_stop_app || kp_fail "$1: the app did not exit 0 on SIGTERM"
  kp_expect_nothing_aside "$XDG_DATA_HOME"
  cp "$record" "$scratch/saved-$1.json"
}

# compare WRITTEN SAVED WHAT: every member the same, the stats within the drift of the time between.
compare() {
  python3 - "$1" "$2" "$3" <<'PY' || kp_fail "$3"
import json, sys
before, after = (json.load(open(p)) for p in sys.argv[1:3])
what = sys.argv[3]
assert set(after) == set(before), f"{what}: members {sorted(set(before) ^ set(after))} lost or added"
elapsed = after["savedAt"] - before["savedAt"]
assert 0 < elapsed < 600, f"{what}: saved {elapsed} s after it was written (not saved at the end?)"
# A sleeping cat's energy rises 4 points per 1800 s per 100 s; nothing else moves while it sleeps.
drift = 4 * 100 / 1800 * (elapsed + 1)
for key in before:
    if key == "savedAt":
        continue
    a, b = before[key], after[key]
    if key in ("hunger", "happiness", "energy", "health"):
        assert abs(b - a) <= drift, f"{what}: {key} {a} -> {b} in {elapsed:.1f} s"
    else:
        assert a == b, f"{what}: {key} {a!r} came back as {b!r}"
print(f"{what}: every member kept ({elapsed:.1f} s between saves)")
PY
}

run_once first
compare "$scratch/written.json" "$scratch/saved-first.json" "first run"
run_once second
compare "$scratch/saved-first.json" "$scratch/saved-second.json" "restart"
compare "$scratch/written.json" "$scratch/saved-second.json" "both runs"
