#!/usr/bin/env bash
# The logind, MPRIS and sound stream readers against fakes: one private bus as the session bus, a second one
# standing in for the system bus (there may be none on the test machine).
set -euo pipefail
command -v dbus-daemon >/dev/null || { echo "no dbus-daemon: skipped"; exit 77; }
bin="$KP_BUILD_DIR/tests/platform/media_bus_tests"
[ -x "$bin" ] || { echo "test binary not built"; exit 1; }

source "${KP_SOURCE_DIR:?}/scripts/private-display.sh"
kp_scratch_dir kp-mediabus

# A bus that knows no services of the machine, so nothing real is started or reached.
start_bus() {
  local name=$1
  cat > "$scratch/$name.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$scratch</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  dbus-daemon --config-file="$scratch/$name.conf" --fork \
    --print-address=3 --print-pid=4 3>"$scratch/$name.address" 4>"$scratch/$name.pid"
  pids+=("$(head -n1 "$scratch/$name.pid")")
}

start_bus session
start_bus system
session=$(head -n1 "$scratch/session.address")
system=$(head -n1 "$scratch/system.address")
[ -n "$session" ] && [ -n "$system" ] || { echo "a private bus did not start"; exit 1; }

# A sound server of its own for the stream reader, where PulseAudio is installed.
if command -v pulseaudio >/dev/null && command -v pacat >/dev/null; then
  source "${KP_SOURCE_DIR}/scripts/private-pulse.sh"
  kp_start_pulse "$scratch"
  pids+=("$PULSE_PID")
  export KP_PRIVATE_PULSE=1
fi

export KP_PRIVATE_BUS=1 DBUS_SESSION_BUS_ADDRESS=$session
DBUS_SYSTEM_BUS_ADDRESS=$system "$bin" --gtest_filter='-*NoSystemBus*'
DBUS_SYSTEM_BUS_ADDRESS="unix:path=$scratch/no-such-bus" "$bin" --gtest_filter='*NoSystemBus*'
