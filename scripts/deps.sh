#!/usr/bin/env bash
# Installs what building, running and testing Kettlepaw needs on Debian 12.
# Quiet and quick when everything is already there.
set -euo pipefail

build_pkgs=(
  g++ cmake ninja-build pkg-config make ccache
  qt6-base-dev libqt6svg6
  libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-screensaver0-dev libxcb-xfixes0-dev libxcb-sync-dev libxcb-shape0-dev libxcb-shm0-dev
  librtaudio-dev libpulse-dev libasound2-dev libjack-jackd2-dev libsamplerate0-dev libsndfile1-dev
  libicu-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-urw-base35 fonts-material-design-icons-iconfont
)
# What the app starts while it runs: the desktop's opener (xdg-open) for the keyboard walk's file.
run_pkgs=(
  xdg-utils
)
test_pkgs=(
  xvfb xauth openbox metacity picom trayer xdotool wmctrl x11-utils x11-xserver-utils dbus dbus-x11 pulseaudio pulseaudio-utils imagemagick python3
  faketime  # the app under a clock set back, end to end
  gdb  # where an app that hangs in an end-to-end script is stuck, told in its failure
)
# The reference measured beside the app by the cost scripts, and the real input the peek probe
# sends (XTEST); never needed to run the app.
bench_pkgs=(
  oneko libxcb-xtest0-dev
)

want=("${build_pkgs[@]}" "${run_pkgs[@]}")
if [ "${1:-}" = "--test" ]; then want+=("${test_pkgs[@]}"); fi
if [ "${1:-}" = "--bench" ]; then want+=("${test_pkgs[@]}" "${bench_pkgs[@]}"); fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
