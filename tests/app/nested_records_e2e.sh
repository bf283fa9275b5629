#!/usr/bin/env bash
# End to end: every record nested a million levels deep (objects in some, arrays in others) neither
# ends the app nor holds it up: it greets a new kitten, ends cleanly on SIGTERM, and each record's
# bytes are kept aside as they were.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool python3 cmp
kp_scratch_dir kp-nested-records
kp_start_display 174 "$scratch/x.log" || exit 1
kp_app_home "$scratch/home"
printf '[General]\nonboardedV1=true\nsoundOn=false\nopenIdleSeconds=600\n' >"$conf"
# The pointer far from the island, so it greets and hides again undisturbed.
read -r W H < <(xdotool getdisplaygeometry)
xdotool mousemove $((W / 2)) $((H - 40))

data=$XDG_DATA_HOME/kettlepaw
mkdir -p "$scratch/written"
python3 - "$data" "$scratch/written" <<'PY'
import sys
deep = 1_000_000
objects = '{"a":' * deep + "0" + "}" * deep
arrays = "[" * deep + "0" + "]" * deep
records = {
    "petLife.v1": '{"pad":' + arrays + ',"hunger":11.0,"birth":0.0,"savedAt":0.0}',
    "wallet.v1": '{"pad":' + objects + ',"coins":12}',
    "catOutfit": '{"pad":' + objects + ',"head":"partyHat"}',
    "album.v1": "[" + arrays + "]",
    "albumDropped.v1": objects,
}
for key, text in records.items():
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
aside_count() { [ "$(find "$data" -name '*.unreadable-*' | wc -l)" = 5 ]; }
kp_wait 60 aside_count || kp_fail "not every record was read and kept aside: $(ls "$data")"
kp_stop_app || kp_fail "the app did not exit 0 on SIGTERM"
for written in "$scratch"/written/*.json; do
  key=$(basename "$written" .json)
  aside=$(find "$data" -name "$key.unreadable-*")
  [ "$(wc -l <<<"$aside")" = 1 ] && cmp -s "$written" "$aside" || kp_fail "$key: not kept aside as it was ($aside)"
  grep -q "$key.json could not be read: it is nested deeper than 64 levels" "$scratch/app.log" ||
    kp_fail "$key: the log does not say why it was kept aside"
done
python3 -c 'import json, sys, time; b = json.load(open(sys.argv[1]))["birth"]
assert 0 <= time.time() - 978307200 - b < 600, b' "$record" || kp_fail "no new kitten saved"
echo "every record kept aside, a new kitten greeted"
