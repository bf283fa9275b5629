# Sourced by the scripts that need an X server of their own.
# kp_start_display FIRST LOG: starts Xvfb on the first free display number from FIRST, logging to
# LOG, exports DISPLAY, adds its pid to the caller's `pids` array and waits until it answers.
kp_start_display() {
  local n=$1
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1440x900x24 -nolisten tcp >"$2" 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  local _
  for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 0
}

# kp_scratch_dir PREFIX: a scratch folder in $scratch, removed on exit with every process in the
# caller's `pids` array stopped.
kp_scratch_dir() {
  scratch=$(mktemp -d "/tmp/$1.XXXXXX")
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$scratch"' EXIT
}
