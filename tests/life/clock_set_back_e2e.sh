#!/usr/bin/env bash
# End to end: the cat started under a clock put back ten years, then under one set to 1999, is the
# same cat when the clock is right again, and has lived only the seconds that really passed.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo python3
kp_need_faketime
kp_scratch_dir kp-clock-set-back
kp_app_home "$scratch"
printf 'onboardedV1=true\n' >"$conf"
kp_start_display 175 "$scratch/x.log" || exit 1

written=$(python3 -c 'import time; print(int(time.time()) - 978307200)')
kp_write_cat "$record" hunger=42.75 energy=80 birth=$((written - 864000)) savedAt="$written"

# run_at DAYS: the app under a clock DAYS whole days behind (0: the real one; the hour of day stays
# the pinned one), up until its island exists, then ended with SIGTERM.
run_at() {
  back=$1
  kp_launch_app "$back days back" "$scratch/app-$back.log" \
    LD_PRELOAD="$preload" FAKETIME="-${back}d" FAKETIME_DONT_FAKE_MONOTONIC=1
  kp_stop_app || kp_fail "$back days back: the app did not exit 0 on SIGTERM"
  kp_expect_nothing_aside "$XDG_DATA_HOME"
  python3 - "$record" "$written" "$back" <<'PY' || kp_fail "$back days back"
import json, sys, time
rec = json.load(open(sys.argv[1]))
written, back = float(sys.argv[2]), sys.argv[3]
passed = time.time() - 978307200 - written
assert rec["birth"] == written - 864000, f"a new cat: born at {rec['birth']}"
assert written <= rec["savedAt"] <= written + passed + 1, f"saved at {rec['savedAt'] - written:+.0f} s"
# Awake, hunger rises 100 points in 1800 s: no more than the seconds since the record was written.
risen = rec["hunger"] - 42.75
assert 0 <= risen <= (passed + 1) * 100 / 1800, f"hunger rose {risen:.2f} in {passed:.0f} s"
assert rec["health"] == 100 and rec["isDead"] is False, f"health {rec['health']}"
print(f"{back} days back: the same cat, hunger +{risen:.2f} in {passed:.1f} s")
PY
}

run_at 3652
run_at "$(python3 -c 'import datetime as d; print((d.date.today() - d.date(1999, 6, 1)).days)')"
run_at 0
