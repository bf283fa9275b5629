#!/usr/bin/env bash
# The running app owns the cat: a record saved ten minutes ago is caught up when the app starts,
# and SIGTERM saves the caught-up cat before the app exits.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || { echo "no display: skipped"; exit 77; }
app="$KP_BUILD_DIR/src/app/kettlepaw"
[ -x "$app" ] || { echo "no app built"; exit 1; }

scratch=$(mktemp -d /tmp/kp-catchup.XXXXXX)
pid=
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$scratch"' EXIT
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_app_home "$scratch"
printf 'onboardedV1=true\n' > "$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"

ref=$(($(date +%s) - 978307200))
kp_write_cat "$XDG_DATA_HOME/kettlepaw/petLife.v1.json" hunger=40 happiness=70 energy=25 \
  birth=$((ref - 864000)) ballPlace=0.7 savedAt=$((ref - 600))

"$app" >"$scratch/app.log" 2>&1 &
pid=$!
# Up once its island is on screen: the record has been read and caught up by then.
kp_wait 60 eval 'xdotool search --name "^Kettlepaw Island$" >/dev/null 2>&1' || { echo "the app did not show up"; exit 1; }
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
[ "$rc" = 0 ] || { echo "app exited with $rc"; cat "$scratch/app.log"; exit 1; }
kp_expect_nothing_aside "$XDG_DATA_HOME"

python3 - "$XDG_DATA_HOME/kettlepaw/petLife.v1.json" "$ref" <<'PY'
import json, sys
rec = json.load(open(sys.argv[1]))
ref = float(sys.argv[2])
def near(name, lo, hi):
    v = rec[name]
    assert lo <= v <= hi, f"{name} = {v}, expected {lo}..{hi}"
# Ten minutes away, then a few seconds of life: hunger up, energy restored by the nap, the rest kept.
near("hunger", 53.3, 54.5)
near("energy", 94.0, 95.7)
near("happiness", 69.0, 70.0)
near("health", 99.9, 100.0)
assert rec["isDead"] is False
assert rec["savedAt"] >= ref - 1, "the record was not saved at termination"
print("caught-up record:", {k: rec[k] for k in ("hunger", "energy", "happiness", "health", "isSleeping")})
PY
