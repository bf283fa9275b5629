#!/usr/bin/env bash
# The whole app on a private display and a private PulseAudio null sink, recorded from the sink:
#   1. "Always play" with the island hidden, at music volume 0.5 and then 0.1: the music is heard,
#      and at about a fifth of the level the second time.
#   2. Music off, sound volume 0.05: the greeting's trill and the settings window's sound (on a voice
#      that has rendered before) stay quiet, under 0.05 x the loudest sound's gain.
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

source "$here/../../scripts/private-display.sh"
kp_start_display 130 "$scratch/x.log"
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & pids+=($!); }
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
export TZ="KPT$(( 10#$(date -u +%H) - 12 ))"  # midday wherever the clock stands: the same mood each run
source "$here/../../scripts/private-pulse.sh"
kp_start_pulse "$scratch" || exit 1
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
# Waits (up to a minute) until the recording holds $2 seconds after its first sound.
wait_heard() {
  local m
  for _ in $(seq 240); do
    m=$(measure "$1" 0 0)
    [ "${m%% *}" != none ] && awk -v h="$(cut -d' ' -f2 <<<"$m")" -v n="$2" 'BEGIN { exit !(h >= n) }' && return 0
    sleep 0.25
  done
  return 1
}
start_app() {  # settings lines...
  printf '[General]\nonboardedV1=true\n' >"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
  printf '%s\n' "$@" >>"$XDG_CONFIG_HOME/kettlepaw/kettlepaw.conf"
  "$app" >"$scratch/app.log" 2>&1 &
  app_pid=$!
}
stop_all() {
  kill "$app_pid" "$rec_pid" 2>/dev/null; wait "$app_pid" "$rec_pid" 2>/dev/null; app_pid=""; rec_pid=""
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
settings=""
for _ in $(seq 100); do
  xdotool mousemove $((W / 2)) 10 click 3 2>/dev/null
  xdotool key Up Up Return 2>/dev/null
  for _ in $(seq 10); do
    settings=$(xdotool search --name '^Settings$' 2>/dev/null | head -1)
    [ -n "$settings" ] && break 2
    sleep 0.1
  done
  xdotool key Escape 2>/dev/null
done
[ -n "$settings" ] || fail "the settings window did not open"
wait_heard "$scratch/sounds.raw" 5 || fail "the recording stopped"
stop_all
read -r _ _ _ peak < <(measure "$scratch/sounds.raw" 0 1)
echo "sounds at 0.05: peak $peak"
awk -v p="$peak" 'BEGIN { exit !(p > 0.0005 && p <= 0.05 * 0.55 * 1.05) }' ||
  fail "sounds at volume 0.05 peak at $peak"
echo ok
