# Sourced by the scripts that need a sound server of their own.
# kp_start_pulse DIR [CHANNELS [shared]]: starts PulseAudio with a float null sink "null" at 44.1 kHz
# (mono unless CHANNELS says 2), its runtime files under DIR, exports what its clients need, sets
# PULSE_PID and waits until it answers. With "shared" it shares memory with its clients, as a
# desktop's server does.
kp_start_pulse() {
  export PULSE_RUNTIME_PATH="$1/pulse"
  local shm=true
  [ "${3:-}" = shared ] && shm=false
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=$shm --use-pid-file=false \
    -L module-native-protocol-unix \
    -L "module-null-sink sink_name=null rate=44100 channels=${2:-1} format=float32le norewinds=1" \
    >"$1/pulse.log" 2>&1 &
  PULSE_PID=$!
  local _
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "the private PulseAudio did not come up"; cat "$1/pulse.log"; return 1
}

# kp_record_sink FILE: records the null sink as raw float32 mono into FILE; sets RECORD_PID.
kp_record_sink() {
  parec --device=null.monitor --format=float32le --channels=1 --rate=44100 --latency-msec=20 --raw \
    >"$1" 2>/dev/null &
  RECORD_PID=$!
}
