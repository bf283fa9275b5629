#!/usr/bin/env bash
# End to end: records nested a million levels deep (objects in some, arrays in others) neither end
# the app nor hold it up: it greets a new kitten, ends on SIGTERM, and each record is kept aside whole.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool python3 cmp
kp_scratch_dir kp-nested-records
kp_start_display 174 "$scratch/x.log" || exit 1
kp_app_home "$scratch/home"
printf '[General]\nonboardedV1=true\nsoundOn=false\n' >"$conf"
xdotool mousemove 10 400  # far from the island, which greets and hides undisturbed
data=$XDG_DATA_HOME/kettlepaw
mkdir -p "$scratch/written"
python3 - "$data" "$scratch/written" <<'PY'
import sys
objects, arrays = '{"a":' * 10**6 + "0" + "}" * 10**6, "[" * 10**6 + "0" + "]" * 10**6
for key, text in {"petLife.v1": '{"pad":' + arrays + ',"birth":0.0,"savedAt":0.0}', "catOutfit": objects,
                  "album.v1": "[" + arrays + "]", "albumDropped.v1": objects}.items():
    for folder in sys.argv[1:]:
        open(f"{folder}/{key}.json", "w").write(text)
PY
kp_start_app "$scratch/app.log"
greeted() {
  kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid"; kp_fail "the app ended (status $?) before its greeting"; }
  [[ "$(kp_island_at)" == 360x62+* ]]
}
kp_wait 60 greeted || kp_fail "no greeting within a minute"
# The list of dropped pages is read by the album's first collection, a few seconds in.
all_aside() { [ "$(find "$data" -name '*.unreadable-*' | wc -l)" = 4 ]; }
kp_wait 60 all_aside || kp_fail "not every record was kept aside: $(ls "$data")"
kp_stop_app || kp_fail "the app did not exit 0 on SIGTERM"
for written in "$scratch"/written/*.json; do
  key=$(basename "$written" .json)
  cmp -s "$written" "$(find "$data" -name "$key.unreadable-*")" || kp_fail "$key: not kept aside as it was"
  grep -q "$key.json could not be read: it is nested deeper than 64 levels" "$scratch/app.log" || kp_fail "$key: not logged"
done
python3 -c 'import json, sys, time; b = json.load(open(sys.argv[1]))["birth"]
assert 0 <= time.time() - 978307200 - b < 600, b' "$record" || kp_fail "no new kitten saved"
echo "every record kept aside, a new kitten greeted"
