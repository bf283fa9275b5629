#!/usr/bin/env bash
# End to end: the app saves the cat and exits 0 however it is ended outside its menu: SIGHUP (a
# closed terminal, a logout) and its display going away under it, also when no thread can start.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo
kp_scratch_dir kp-endings
kp_app_home "$scratch"
printf 'onboardedV1=true\n' >"$conf"

# Starts the app on a display of its own, with these variables, and waits until it has launched
# (its island exists).
start_app() {
  kp_start_display 170 "$scratch/x.log" || exit 1
  xserver=${pids[-1]}
  rm -f "$record"
  kp_start_app "$scratch/app.log" "$@"
  launched() {
    kill -0 "$app_pid" 2>/dev/null || kp_fail "the app ended while starting"
    xwininfo -root -tree 2>/dev/null | grep -q '"Kettlepaw Island"'
  }
  kp_wait 120 launched || kp_fail "the app did not start"
}

# Waits for the app to end and checks it exited 0 with the cat saved.
expect_saved_exit() {
  kp_expect_exit 120 "$1"
  python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert "hunger" in r and "savedAt" in r' "$record" \
    || kp_fail "$1: the cat was not saved"
  echo "$1: exit 0, record saved"
}

start_app
kill -HUP "$app_pid"
expect_saved_exit "SIGHUP"
kill "$xserver"

start_app
kill "$xserver"
expect_saved_exit "display gone"

kp_refuse_threads "$scratch/no-threads"
start_app "${refusing[@]}"
touch "$scratch/no-threads"
kill "$xserver"
expect_saved_exit "display gone with no thread to be had"
