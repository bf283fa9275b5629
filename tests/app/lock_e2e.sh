#!/usr/bin/env bash
# End to end: the one-copy lock. A pipe where the lock belongs makes the app say what failed, in its
# log and a dialog, instead of hanging without a window; without a runtime folder the lock is kept
# in the user's cache folder, so a pipe in the temporary folder every user shares stops nothing; a
# second copy says the first runs.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool
kp_scratch_dir kp-lock
kp_start_display 174 "$scratch/x.log" || exit 1
# At most 4 GB of address space: a lock read for ever fails there, not the machine.
ulimit -v 4000000

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

run=pipe
kp_app_home "$scratch/$run"
printf '[General]\nonboardedV1=true\nsoundOn=false\n' >"$conf"
lock=$XDG_RUNTIME_DIR/kettlepaw.lock
mkfifo "$lock"
start has_dialog "no dialog"
said_once "Kettlepaw cannot start: its lock $lock is a pipe, not a plain file"
closes_with 1
[ -p "$lock" ] || kp_fail "$run: the pipe was touched"
echo "$run: said what failed, exit 1"

run=no-runtime-folder
kp_app_home "$scratch/$run"
printf '[General]\nonboardedV1=true\nsoundOn=false\n' >"$conf"
unset XDG_RUNTIME_DIR
export XDG_CACHE_HOME=$scratch/$run/cache TMPDIR=$scratch/$run/tmp
mkdir -p "$TMPDIR" && chmod 1777 "$TMPDIR" && mkfifo -m 666 "$TMPDIR/kettlepaw.lock"
start up "no island"
first=$app_pid
lock=$XDG_CACHE_HOME/kettlepaw/kettlepaw.lock
[ "$(stat -c %a "$(dirname "$lock")")" = 700 ] || kp_fail "$run: the lock's folder is open to others"
[ "$(cat "$lock")" = "$first" ] || kp_fail "$run: the lock holds '$(cat "$lock")', not $first"
echo "$run: up, the lock in the cache folder"

run=second-copy
start has_dialog "no dialog"
said_once "Kettlepaw is already running: process $first holds its lock $lock"
closes_with 0
kill -0 "$first" || kp_fail "$run: the first copy ended"
echo "$run: said the first one runs, exit 0"
