#!/usr/bin/env bash
# Runs every test through CTest inside a private desktop: Xvfb with a window manager, a compositor
# and a tray, all in a private D-Bus session. Everything started here is stopped on the way out.
# KP_TESTS=REGEX runs only the tests whose names match. On a build under the sanitizers (make
# sanitize) every report, from any program the tests run, fails the run and is shown at its end.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scratch=$(mktemp -d /tmp/kp-test.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Reports go to files: an app that an end-to-end script ends by force, or whose log the script
# throws away, must not take its report with it. Leaks are not looked for: RtAudio's PulseAudio
# probe leaks inside libpulse, whose frames a suppression cannot tell from the app's own use of it.
# ASAN_OPTIONS=detect_leaks=1 looks for them all the same.
reports=
if grep -q -- '-fsanitize=address' "$build/CMakeCache.txt" 2>/dev/null; then
  reports=$scratch/sanitizer
  mkdir -p "$reports"
  export ASAN_OPTIONS="detect_stack_use_after_return=1:detect_leaks=0:handle_abort=1:log_path=$reports/asan${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
fi

# A private X server for the end-to-end tests.
source "$root/scripts/private-display.sh"
kp_start_display 90 "$scratch/xvfb.log"

inner=$(cat <<'INNER'
set -euo pipefail
openbox >/dev/null 2>&1 & wm=$!
picom --backend xrender >/dev/null 2>&1 & cm=$!
trayer --edge top --align right --widthtype pixel --width 80 --height 24 >/dev/null 2>&1 & tr=$!
# The desktop is ready once the window manager takes on windows and the tray has its place.
source "$KP_ROOT/scripts/private-display.sh"
kp_wait_for_manager
for _ in $(seq 600); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.1; done
rc=0
ctest --test-dir "$KP_BUILD" --output-on-failure -j "$(nproc)" ${KP_TESTS:+-R "$KP_TESTS"} || rc=$?
kill $wm $cm $tr 2>/dev/null || true
exit $rc
INNER
)
rc=0
KP_BUILD=$build KP_ROOT=$root dbus-run-session -- bash -c "$inner" || rc=$?
if [ -n "$reports" ] && [ -n "$(ls -A "$reports")" ]; then
  for f in "$reports"/*; do echo "=== sanitizer report $(basename "$f")"; cat "$f"; done
  echo "The sanitizers reported $(ls "$reports" | wc -l) fault(s)"
  rc=1
fi
exit $rc
