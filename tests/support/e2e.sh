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

# kp_wait SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; false when
# it has not within SECONDS. The window manager is woken meanwhile, so a window it should take on
# does not wait for it.
kp_wait() {
  local deadline=$(($(date +%s) + $1))
  shift
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    [ -n "${DISPLAY:-}" ] && kp_nudge_manager
    sleep 0.1
  done
}
