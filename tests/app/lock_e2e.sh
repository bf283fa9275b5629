#!/usr/bin/env bash
# End to end: the one-copy lock. Copies over one cat meet one lock whatever else their environment
# says, in either order: with and without a runtime folder, with other temporary and cache folders,
# with one settings file over two data folders; the second says the first runs. A pipe where the lock
# belongs makes the app say what failed, in its log and a dialog, instead of hanging without a window.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool
kp_scratch_dir kp-lock
kp_start_display 174 "$scratch/x.log" || exit 1
# At most 4 GB: a lock read for ever fails there, not the machine.
kp_bound_memory 4000000

ended() { ! kill -0 "$app_pid" 2>/dev/null; }
up() { ! ended || kp_fail "$run: the app ended"; xwininfo -root -tree 2>/dev/null | grep -q '"Kettlepaw Island"'; }
dialog() { xdotool search --onlyvisible --pid "$app_pid" --name '^Kettlepaw$' 2>/dev/null | head -1; }
has_dialog() { ! ended || kp_fail "$run: the app ended without a dialog"; [ -n "$(dialog)" ]; }
# said_once TEXT: the app's log holds TEXT on exactly one line.
said_once() { [ "$(grep -cF -- "$1" "$kp_app_log")" = 1 ] || kp_fail "$run: not said once: $1"; }
# closes_with STATUS: the dialog's default button ends the app with STATUS.
closes_with() {
  local id
  id=$(dialog)
  xdotool windowfocus --sync "$id" key Return
  kp_wait 30 ended || { kill -KILL "$app_pid"; kp_fail "$run: the dialog did not end the app"; }
  local rc=0
  wait "$app_pid" || rc=$?
  [ "$rc" = "$1" ] || kp_fail "$run: exit status $rc, not $1"
}
# start CHECK WHAT: starts the app and waits for CHECK; fails with WHAT after a minute.
start() {
  kp_start_app "$scratch/$run.log"
  kp_wait 60 "$1" || { kill -KILL "$app_pid"; kp_fail "$run: $2 within a minute"; }
}
# first_copy: starts the copy the others meet; `first` is its pid.
first_copy() {
  start up "no island"
  first=$app_pid
  [ "$(cat "$data_lock")" = "$first" ] || kp_fail "$run: the lock holds '$(cat "$data_lock")', not $first"
  echo "$run: up"
}
# second_copy LOCK: a copy started now says the first runs and holds LOCK, and ends with 0.
second_copy() {
  start has_dialog "no dialog"
  said_once "Kettlepaw is already running: process $first holds its lock $1"
  closes_with 0
  kill -0 "$first" || kp_fail "$run: the first copy ended"
  echo "$run: said the first one runs, exit 0"
}

kp_app_home "$scratch/cat"
printf '[General]\nonboardedV1=true\nsoundOn=false\n' >"$conf"
rmdir "$XDG_DATA_HOME/kettlepaw"
runtime=$XDG_RUNTIME_DIR data_home=$XDG_DATA_HOME
data_lock=$XDG_DATA_HOME/kettlepaw/kettlepaw.lock config_lock=$XDG_CONFIG_HOME/kettlepaw/kettlepaw.lock

run=no-runtime-folder
# Nor is the temporary folder every user shares used: a pipe there stops nothing.
unset XDG_RUNTIME_DIR
export XDG_CACHE_HOME=$scratch/$run/cache TMPDIR=$scratch/$run/tmp
mkdir -p "$TMPDIR" && chmod 1777 "$TMPDIR" && mkfifo -m 666 "$TMPDIR/kettlepaw.lock"
first_copy
[ "$(stat -c %a "$(dirname "$data_lock")")" = 700 ] || kp_fail "$run: the data folder is open to others"

run=with-runtime-folder
export XDG_RUNTIME_DIR=$runtime
second_copy "$data_lock"

run=other-cache-and-temporary-folders
export XDG_CACHE_HOME=$scratch/$run/cache TMPDIR=$scratch/$run/tmp
mkdir -p "$TMPDIR"
second_copy "$data_lock"

run=other-data-folder
export XDG_DATA_HOME=$scratch/$run/data
second_copy "$config_lock"
export XDG_DATA_HOME=$data_home

app_pid=$first
kp_stop_app || kp_fail "the first copy did not quit cleanly"

run=with-runtime-folder-first
first_copy

run=no-runtime-folder-second
unset XDG_RUNTIME_DIR
second_copy "$data_lock"
app_pid=$first
kp_stop_app || kp_fail "the first copy did not quit cleanly"

run=pipe
kp_app_home "$scratch/$run"
printf '[General]\nonboardedV1=true\nsoundOn=false\n' >"$conf"
lock=$XDG_DATA_HOME/kettlepaw/kettlepaw.lock
mkfifo "$lock"
start has_dialog "no dialog"
said_once "Kettlepaw cannot start: its lock $lock is a pipe, not a plain file"
closes_with 1
[ -p "$lock" ] || kp_fail "$run: the pipe was touched"
echo "$run: said what failed, exit 1"
