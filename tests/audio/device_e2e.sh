#!/usr/bin/env bash
# The device output against a private PulseAudio: when the server goes away the graph runs on
# silently, printing nothing; when it comes back the sound goes back to it. (That sound reaches the
# sink, the app's own recording shows.) Every wait is for a condition, with a deadline of a minute.
# Skips (77) without PulseAudio.
set -u
command -v pulseaudio >/dev/null && command -v pactl >/dev/null && command -v parec >/dev/null || exit 77
probe="${KP_BUILD_DIR:?}/tests/audio/audio_device_probe"
[ -x "$probe" ] || { echo "no probe at $probe"; exit 1; }

work=$(mktemp -d /tmp/kpa.XXXXXX)
export XDG_RUNTIME_DIR="$work" HOME="$work"
server_pid=""
probe_pid=""
cleanup() {
    for p in $probe_pid $server_pid; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/../../scripts/private-pulse.sh"
start_server() { kp_start_pulse "$work" && server_pid=$PULSE_PID; }
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to a minute for a command to succeed.
until_true() {
    local _
    for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done
    return 1
}

start_server || exit 1

# 1. The server goes away mid-stream: the graph goes on silently.
"$probe" >"$work/survive.out" 2>"$work/survive.err" &
probe_pid=$!
until_true grep -q playing "$work/survive.out" || fail "the probe never played"
kill "$server_pid"; wait "$server_pid" 2>/dev/null; server_pid=""
until_true grep -q standin "$work/survive.out" || fail "no stand-in"
# 2. The server comes back: the sound returns to it.
start_server || exit 1
wait "$probe_pid"; rc=$?; probe_pid=""
[ "$rc" = 0 ] || fail "survive exited $rc"
[ -s "$work/survive.err" ] && fail "survive wrote to stderr: $(cat "$work/survive.err")"
echo "ok"
