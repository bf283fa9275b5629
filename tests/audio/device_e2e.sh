#!/usr/bin/env bash
# The device output against a private PulseAudio with a null sink: sound reaches the sink; when the
# server goes away the graph runs on silently, printing nothing; when it comes back the sound goes
# back to it. Skips (77) without PulseAudio.
set -u
command -v pulseaudio >/dev/null && command -v pactl >/dev/null && command -v parec >/dev/null || exit 77
probe="${KP_BUILD_DIR:?}/tests/audio/audio_device_probe"
[ -x "$probe" ] || { echo "no probe at $probe"; exit 1; }

work=$(mktemp -d /tmp/kpa.XXXXXX)
export XDG_RUNTIME_DIR="$work" HOME="$work"
server_pid=""
rec_pid=""
cleanup() {
    [ -n "$rec_pid" ] && kill "$rec_pid" 2>/dev/null && wait "$rec_pid" 2>/dev/null
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/../../scripts/private-pulse.sh"
start_server() { kp_start_pulse "$work" && server_pid=$PULSE_PID; }

fail() { echo "FAIL: $*"; exit 1; }

start_server || exit 1

# 1. A tone played through the graph reaches the sink.
pactl suspend-sink null 1; pactl suspend-sink null 0
kp_record_sink "$work/rec.raw"
rec_pid=$RECORD_PID
sleep 0.3
"$probe" play 2>"$work/play.err" || fail "play exited $?"
kill "$rec_pid"; wait "$rec_pid" 2>/dev/null; rec_pid=""
[ -s "$work/play.err" ] && fail "play wrote to stderr: $(cat "$work/play.err")"
python3 - "$work/rec.raw" <<'PY' || fail "the recording does not hold the tone"
import array, math, sys
a = array.array('f'); a.frombytes(open(sys.argv[1], 'rb').read()[: (len(open(sys.argv[1], 'rb').read()) // 4) * 4])
loud = [x for x in a if abs(x) > 0.25]
peak = max((abs(x) for x in a), default=0)
print(f"recorded {len(a)} samples, peak {peak:.3f}, {len(loud)} loud")
sys.exit(0 if 0.45 < peak < 0.55 and len(loud) > 20000 else 1)
PY

# 2. The server goes away mid-stream: the graph goes on silently.
"$probe" survive >"$work/survive.out" 2>"$work/survive.err" &
probe_pid=$!
for _ in $(seq 100); do grep -q playing "$work/survive.out" 2>/dev/null && break; sleep 0.05; done
sleep 0.3
kill "$server_pid"; wait "$server_pid" 2>/dev/null; server_pid=""
for _ in $(seq 200); do grep -q standin "$work/survive.out" 2>/dev/null && break; sleep 0.05; done
grep -q standin "$work/survive.out" || { kill "$probe_pid"; wait "$probe_pid"; fail "no stand-in"; }
# 3. The server comes back: the sound returns to it.
start_server || exit 1
wait "$probe_pid"; rc=$?
[ "$rc" = 0 ] || fail "survive exited $rc"
[ -s "$work/survive.err" ] && fail "survive wrote to stderr: $(cat "$work/survive.err")"
echo "ok"
exit 0
