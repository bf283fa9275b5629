#!/usr/bin/env bash
# End to end: a home folder whose name is not UTF-8 (a Latin-1 "é"), holding a cat, with no XDG
# folders set. The app reads that cat, shows no first-run pages, saves it back there and makes no
# folder of its own beside it. A home it cannot open stops the start, saying why, with no cat made.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo python3
kp_scratch_dir kp-home-bytes
kp_start_display 176 "$scratch/x.log" || exit 1

unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
kp_pin_day
home=$scratch/$'h\xe9me'
record=$home/.local/share/kettlepaw/petLife.v1.json
mkdir -p "$home/.local/share/kettlepaw" "$home/.config/kettlepaw"
printf 'onboardedV1=true\n' >"$home/.config/kettlepaw/kettlepaw.conf"
kp_write_cat "$record" hunger=37.25 happiness=81.5 energy=66.75 health=93.5
cp "$record" "$scratch/written.json"

# Only the home: nothing else appears in the scratch folder but what this script made.
others() {
  find "$scratch" -mindepth 1 -maxdepth 1 ! -name $'h\xe9me' ! -name $'file\xe9' ! -name run ! -name '*.log' ! -name written.json
}

kp_start_app "$scratch/app.log" HOME="$home"
# The greeting, not the first-run pages.
kp_expect_island '360x62+*' 60 "the greeting at launch"
kp_stop_app || kp_fail "exit status $? after SIGTERM"
python3 - "$scratch/written.json" "$record" <<'PY' || kp_fail "the cat in the home was not the one read and saved"
import json, sys
before, after = (json.load(open(p)) for p in sys.argv[1:])
assert after["savedAt"] > before["savedAt"], "the record was not saved again"
assert after["birth"] == before["birth"], f"another cat: born {after['birth']}, not {before['birth']}"
# The stats move with the time between the two saves, a point in 18 s at most.
between = after["savedAt"] - before["savedAt"]
for key in ("hunger", "happiness", "energy", "health"):
    assert abs(after[key] - before[key]) < 2 + between / 18, f"{key} {before[key]} came back as {after[key]} {between:.0f} s later"
print("the cat in the home was read and saved back:", {k: round(after[k], 2) for k in ("hunger", "happiness")})
PY
[ -z "$(others)" ] || kp_fail "folders made beside the home: $(others)"
grep -q 'h\\xe9me' "$scratch/app.log" || kp_fail "the log does not say how the home is reached"

# A home named so that is no folder: the start stops, saying why, and no cat is raised anywhere.
home=$scratch/$'file\xe9'
: >"$home"
kp_start_app "$scratch/stop.log" HOME="$home"
kp_wait 60 eval '! kill -0 "$app_pid" 2>/dev/null || xdotool search --onlyvisible --name "^Kettlepaw$" >/dev/null 2>&1' ||
  kp_fail "the app neither ended nor said why"
kill -0 "$app_pid" 2>/dev/null && xdotool search --onlyvisible --name '^Kettlepaw$' key Return >/dev/null 2>&1
kp_wait 30 eval '! kill -0 "$app_pid" 2>/dev/null' || kp_fail "the app did not end after saying why"
grep -q 'cannot start: the folder .*file\\xe9 is not named in UTF-8' "$scratch/stop.log" || kp_fail "no reason in the log"
[ -z "$(others)" ] || kp_fail "folders made for a home that cannot be opened: $(others)"
echo "ok"
