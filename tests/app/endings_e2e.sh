#!/usr/bin/env bash
# End to end: the app saves the cat and exits 0 however it is ended outside its menu: SIGHUP (a
# closed terminal, a logout) and its display going away under it.
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
command -v xwininfo >/dev/null || { echo "xwininfo missing: skipped"; exit 77; }
app=${KP_BUILD_DIR:?}/src/app/kettlepaw
[ -x "$app" ] || { echo "no app at $app"; exit 1; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"

scratch=$(mktemp -d /tmp/kp-endings.XXXXXX)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$scratch"
}
trap cleanup EXIT
kp_app_home "$scratch"
printf 'onboardedV1=true\n' > "$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
fail() { echo "FAIL: $*"; [ -f "$scratch/app.log" ] && cat "$scratch/app.log"; exit 1; }

# Starts the app on a display of its own and waits until it has launched (its island exists).
start_app() {
  kp_start_display 170 "$scratch/x.log"
  xserver=${pids[-1]}
  rm -f "$record"
  "$app" >"$scratch/app.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  local _
  for _ in $(seq 1200); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Kettlepaw Island"' && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the app ended while starting"
    sleep 0.1
  done
  fail "the app did not start"
}

# Waits for the app to end (generous deadline) and checks it exited 0 with the cat saved.
expect_saved_exit() {
  local _
  for _ in $(seq 1200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "$1: the app did not end"
  local rc=0
  wait "$app_pid" || rc=$?
  [ "$rc" = 0 ] || fail "$1: the app exited with $rc"
  [ -s "$record" ] || fail "$1: the cat was not saved"
  python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert "hunger" in r and "savedAt" in r' "$record" \
    || fail "$1: the saved record does not read back"
  echo "$1: exit 0, record saved"
}

start_app
kill -HUP "$app_pid"
expect_saved_exit "SIGHUP"
kill "$xserver"

start_app
kill "$xserver"
expect_saved_exit "display gone"
