#!/usr/bin/env bash
# The whole app on a private display and a private PulseAudio null sink, recorded from the sink:
#   1. "Always play" with the island hidden, at music volume 0.5 and then 0.1: the music is heard,
#      and at about a fifth of the level the second time.
#   2. Music off, sound volume 0.05: the greeting's trill and the settings window's sound (on a voice
#      that has rendered before) stay quiet, under 0.05 x the loudest sound's gain.
#   3. "Always play" off, every sound on: at the greeting the music's stream (the one in stereo) and
#      the effects' are on the server and the music is heard in its own stream; the greeting ends and
#      the music's stream closes; the island is opened and the music is heard again, its two sides
#      apart.
#      KP_ROOM_LAUNCHES=N repeats this launch N times (once by default).
# Skips (77) without PulseAudio, Xvfb or xdotool.
set -u
for tool in pulseaudio pactl parec Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
app=${KP_BUILD_DIR:?}/src/app/kettlepaw
[ -x "$app" ] || { echo "no app at $app"; exit 1; }

scratch=$(mktemp -d /tmp/kp-sound.XXXXXX)
pids=()
app_pid=""
rec_pid=""
cleanup() {
  for p in $app_pid $rec_pid "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$scratch/app.log" ] && tail -5 "$scratch/app.log"; exit 1; }

export KP_SOURCE_DIR=${KP_SOURCE_DIR:-$here/../..}
source "$here/../support/e2e.sh"
kp_start_display 130 "$scratch/x.log"
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & pids+=($!); }
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
export TZ="KPT$(( 10#$(date -u +%H) - 12 ))"  # midday wherever the clock stands: the same mood each run
source "$here/../../scripts/private-pulse.sh"
kp_start_pulse "$scratch" 2 || exit 1  # stereo, as most speakers are: the music plays in stereo
pids+=($PULSE_PID)
read -r W H < <(xdotool getdisplaygeometry)
xdotool mousemove $((W / 2)) $((H - 40))

# Reads a recording: "onset seconds_after_onset loudness(from..to after the onset) peak". The loudness
# is the rms of the 10 ms blocks that sound: a dropout on a busy machine leaves it as it was.
measure() {  # file from to
  python3 - "$@" <<'PY'
import array, math, sys
raw = open(sys.argv[1], 'rb').read()
a = array.array('f'); a.frombytes(raw[: len(raw) // 4 * 4])
onset = next((i for i, x in enumerate(a) if abs(x) > 1e-4), None)
if onset is None:
    print("none 0 0 0"); sys.exit()
lo, hi = onset + int(float(sys.argv[2]) * 44100), onset + int(float(sys.argv[3]) * 44100)
blocks = [a[i:i + 441] for i in range(lo, min(hi, len(a)) - 440, 441)]
sounding = [x for b in blocks if max(abs(y) for y in b) > 1e-5 for x in b]
rms = math.sqrt(sum(x * x for x in sounding) / len(sounding)) if sounding else 0
print(f"{onset / 44100:.2f} {(len(a) - onset) / 44100:.2f} {rms:.5f} {max(abs(x) for x in a):.5f}")
PY
}
# Whether the recording holds $2 seconds after its first sound.
heard() {
  local m
  m=$(measure "$1" 0 0)
  [ "${m%% *}" != none ] && awk -v h="$(cut -d' ' -f2 <<<"$m")" -v n="$2" 'BEGIN { exit !(h >= n) }'
}
# Waits (up to a minute) until it does.
wait_heard() { kp_wait 60 heard "$@"; }
start_app() {  # settings lines...
  printf '[General]\nonboardedV1=true\n' >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
  printf '%s\n' "$@" >>"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
  kp_start_app "$scratch/app.log"
}
stop_all() {
  kill "$app_pid" "$rec_pid" 2>/dev/null; wait "$app_pid" "$rec_pid" 2>/dev/null; app_pid=""; rec_pid=""
}
# Waits up to a minute for a command to succeed.
until_true() { kp_wait 60 "$@"; }
# The island window of size "WxH" (or "hidden").
island_is() { [[ "$(kp_island_at)" == "$1" || "$(kp_island_at)" == "$1"+* ]]; }
# The server's streams as "index channels" lines; the music's is the one in stereo.
streams() {
  pactl list sink-inputs 2>/dev/null | awk '/^Sink Input #/ { i = substr($3, 2) } /Channel Map:/ { print i, split($3, c, ",") }'
}
music_stream() { streams | awk '$2 == 2 { print $1; exit }'; }
has_music_stream() { [ -n "$(music_stream)" ]; }
# Records the music's own stream into FILE until it holds SECONDS of sound after its first.
music_heard() {  # file seconds
  local index
  index=$(music_stream)
  [ -n "$index" ] || return 1
  parec --monitor-stream="$index" --format=float32le --channels=1 --rate=44100 --latency-msec=20 --raw \
    >"$1" 2>/dev/null &
  local pid=$!
  wait_heard "$1" "$2"
  local rc=$?
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  return $rc
}
# Records two seconds of the music's own stream in stereo and prints how far apart its sides are:
# the sum of |left - right| over the sum of |left| + |right| (0 when both sides are the same).
music_apart() {  # file
  local index file=$1
  index=$(music_stream)
  parec --monitor-stream="$index" --format=float32le --channels=2 --rate=44100 --latency-msec=20 --raw \
    >"$file" 2>/dev/null &
  local pid=$!
  until_true eval '[ "$(stat -c %s "$file")" -ge $((4 * 2 * 44100 * 2)) ]'
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  python3 - "$1" <<'PY'
import array, sys
raw = open(sys.argv[1], 'rb').read()
a = array.array('f'); a.frombytes(raw[: len(raw) // 8 * 8])
left, right = a[0::2], a[1::2]
apart = sum(abs(l - r) for l, r in zip(left, right))
sound = sum(abs(l) + abs(r) for l, r in zip(left, right))
print(f"{apart / sound:.3f}" if sound > 0 else "0")
PY
}

# 1. The music, after its 2.5 s fade-in, at two volumes.
levels=()
for volume in 0.5 0.1; do
  kp_record_sink "$scratch/music-$volume.raw"; rec_pid=$RECORD_PID
  start_app musicAlways=true musicVolume=$volume soundOn=false appSoundOn=false
  wait_heard "$scratch/music-$volume.raw" 7 || fail "no music heard at volume $volume"
  stop_all
  read -r _ _ rms peak < <(measure "$scratch/music-$volume.raw" 3 7)
  echo "music at $volume: rms $rms, peak $peak"
  levels+=("$rms")
done
awk -v a="${levels[0]}" 'BEGIN { exit !(a > 0.005) }' || fail "the music at 0.5 is too quiet (${levels[0]})"
awk -v a="${levels[0]}" -v b="${levels[1]}" 'BEGIN { r = b / a; exit !(r > 0.1 && r < 0.4) }' ||
  fail "music at 0.1 is not about a fifth of music at 0.5 (${levels[1]} vs ${levels[0]})"

# 2. Quiet sounds: the greeting's trill, then the settings window's sound.
kp_record_sink "$scratch/sounds.raw"; rec_pid=$RECORD_PID
start_app musicOn=false soundVolume=0.05
wait_heard "$scratch/sounds.raw" 2 || fail "no greeting heard"
kp_open_menu
xdotool key Up Up Return  # "Settings…"
kp_wait 20 eval 'xdotool search --name "^Settings\$" >/dev/null 2>&1' || fail "the settings window did not open"
wait_heard "$scratch/sounds.raw" 5 || fail "the recording stopped"
stop_all
read -r _ _ _ peak < <(measure "$scratch/sounds.raw" 0 1)
echo "sounds at 0.05: peak $peak"
awk -v p="$peak" 'BEGIN { exit !(p > 0.0005 && p <= 0.05 * 0.55 * 1.05) }' ||
  fail "sounds at volume 0.05 peak at $peak"

# 3. The greeting, then the open room, with "Always play" off.
for launch in $(seq "${KP_ROOM_LAUNCHES:-1}"); do
  xdotool mousemove $((W / 2)) $((H - 40))
  start_app musicAlways=false musicVolume=0.5 openIdleSeconds=120 peekIdleSeconds=120
  # Both as the greeting starts: the effects' closes a few seconds after the greeting's trill.
  until_true eval 'has_music_stream && streams | awk "\$2 == 1" | grep -q .' ||
    fail "launch $launch: no music and effects streams together at the greeting (streams: $(streams | xargs))"
  at_greeting=$(streams | awk '{ print $2 }' | sort | uniq -c | xargs)
  music_heard "$scratch/greeting.raw" 1 || fail "launch $launch: no music heard at the greeting"
  until_true island_is hidden || fail "launch $launch: the greeting did not end"
  until_true eval '! has_music_stream' || fail "launch $launch: the music's stream stayed after the greeting"
  xdotool mousemove $((W / 2)) 3
  until_true island_is 276x32 || fail "launch $launch: no peek under the pointer"
  kp_click_for $((W / 2)) 3 1 island_is 640x160 || fail "launch $launch: the island did not open"
  until_true has_music_stream || fail "launch $launch: no music stream in the open room"
  music_heard "$scratch/room.raw" 2 || fail "launch $launch: no music heard in the open room"
  apart=$(music_apart "$scratch/stereo.raw")
  awk -v a="$apart" 'BEGIN { exit !(a > 0.05) }' || fail "launch $launch: the music's two sides are the same ($apart)"
  echo "launch $launch: music heard at the greeting (streams: $at_greeting) and in the open room (sides apart $apart)"
  stop_all
done
echo ok
