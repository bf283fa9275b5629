#!/usr/bin/env bash
# The device output against a private PulseAudio: without a server the log says so once; when the
# server goes away the graph runs on silently, printing nothing else; when it comes back the sound goes back to it. (That sound reaches the
# sink, the app's own recording shows.) Three outputs started in the same instant all reach the
# server, ten times over, over one connection; a server that does not answer leaves the sound on the
# stand-in until it does. Opened and closed two hundred times, the output holds no more memory than
# after ten. With no room for libpulse's memory pool, the log says so (not that no server answers).
# Every wait is for a condition, with a deadline of a minute.
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
    [ -n "$server_pid" ] && kill -CONT "$server_pid" 2>/dev/null
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

# 0. No server at all: the log says so once, the graph runs on the stand-in, and the sound goes to
#    the server once one starts.
"$probe" wedged >"$work/none.out" 2>"$work/none.err" &
probe_pid=$!
until_true eval 'grep -q standin "$work/none.out" || ! kill -0 "$probe_pid" 2>/dev/null'
grep -q standin "$work/none.out" || fail "no stand-in without a server"
start_server || exit 1
wait "$probe_pid"; rc=$?; probe_pid=""
[ "$rc" = 0 ] || fail "without a server the probe exited $rc"
[ "$(grep -c '^No sound server answers' "$work/none.err")" = 1 ] && [ "$(wc -l <"$work/none.err")" = 1 ] ||
  fail "without a server the log should say so once and nothing else: $(cat "$work/none.err")"

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
grep -v '^No sound server answers' "$work/survive.err" | grep -q . && fail "survive wrote to stderr: $(cat "$work/survive.err")"

# 3. Three outputs in the same instant, ten times: each time all three are on the device within 2 s,
#    and the last three are the server's three streams, over one connection.
mkfifo "$work/hold"
"$probe" together <"$work/hold" >"$work/together.out" 2>"$work/together.err" &
probe_pid=$!
exec 3>"$work/hold"
until_true eval 'grep -qx -e three -e "round.*NOT.*" "$work/together.out" || ! kill -0 "$probe_pid" 2>/dev/null'
cat "$work/together.out"
grep -qx three "$work/together.out" || fail "not all three outputs reached the server"
until_true eval '[ "$(pactl list short sink-inputs | wc -l)" = 3 ]' ||
  fail "the server has $(pactl list short sink-inputs | wc -l) streams, not 3"
connections=$(pactl list clients | grep -c 'application.name = "Kettlepaw"')
[ "$connections" = 1 ] || fail "the three streams came over $connections connections, not one"
exec 3>&-
wait "$probe_pid"; rc=$?; probe_pid=""
[ "$rc" = 0 ] || fail "together exited $rc"

# 4. A server that does not answer: the sound waits on the stand-in, and goes to the server once it
#    answers again.
kill -STOP "$server_pid"
"$probe" wedged >"$work/wedged.out" 2>"$work/wedged.err" &
probe_pid=$!
until_true eval 'grep -q standin "$work/wedged.out" || ! kill -0 "$probe_pid" 2>/dev/null'
kill -CONT "$server_pid"
grep -q standin "$work/wedged.out" || fail "no stand-in while the server did not answer"
wait "$probe_pid"; rc=$?; probe_pid=""
[ "$rc" = 0 ] || fail "wedged exited $rc"

# 5. Opened and closed as often as an island is in a long day: after the first ten openings the heap
#    stays where it was (each used to keep about a kilobyte of the server's answers for good).
"$probe" cycles 200 >"$work/cycles.out" 2>"$work/cycles.err"; rc=$?
[ "$rc" = 0 ] || fail "cycles exited $rc: $(cat "$work/cycles.err")"
cat "$work/cycles.out"
grown=$(sed -n 's/^heap grew by \(-\?[0-9]*\) bytes.*/\1/p' "$work/cycles.out")
[ -n "$grown" ] && [ "$grown" -lt 40000 ] || fail "the heap grew with every opening: $(cat "$work/cycles.out")"

# 6. No room for libpulse's memory pool: the sound waits on the stand-in, and the log says what failed.
#    (Under the sanitizers an address limit means nothing.)
if ! ldd "$probe" | grep -q libasan; then
    "$probe" cramped >"$work/cramped.out" 2>"$work/cramped.err"; rc=$?
    [ "$rc" = 0 ] || fail "cramped exited $rc: $(cat "$work/cramped.err")"
    grep -q "could not map its memory pool" "$work/cramped.err" && ! grep -q "No sound server answers" "$work/cramped.err" ||
      fail "with no room for libpulse's pool the log should say so: $(cat "$work/cramped.err")"
fi

echo "ok"
