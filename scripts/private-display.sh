# Sourced by the scripts that need an X server of their own.
# kp_start_display FIRST LOG: starts Xvfb on a free display number (the server picks it, so
# scripts started side by side never share one; FIRST is kept for callers that name one), logging
# to LOG, exports DISPLAY, adds its pid to the caller's `pids` array and waits until it answers.
# Fails when the server has not come up within a minute. KP_SCREEN_SIZE (default 1440x900) sizes
# the screen. The server never resets: a reset when its last client leaves drops any client that
# connects meanwhile, such as an app started again right after the last one ended.
kp_start_display() {
  local number_file
  number_file=$(mktemp /tmp/kp-display.XXXXXX)
  Xvfb -displayfd 3 -noreset -screen 0 "${KP_SCREEN_SIZE:-1440x900}x24" -nolisten tcp 3>"$number_file" >"$2" 2>&1 &
  pids+=($!)
  local n= _
  for _ in $(seq 600); do
    n=$(head -n1 "$number_file" 2>/dev/null)
    [ -n "$n" ] && break
    sleep 0.1
  done
  rm -f "$number_file"
  [ -n "$n" ] || { echo "Xvfb did not start" >&2; cat "$2" >&2; return 1; }
  export DISPLAY=":$n"
  for _ in $(seq 600); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "Xvfb on $DISPLAY does not answer" >&2
  return 1
}

# Wakes the window manager with a change on the root window. A manager that read its events
# ahead during a request of its own can sleep on them (a window waiting to be taken on, for
# minutes) until something new arrives.
kp_nudge_manager() { xprop -root -f _KP_NUDGE 32c -set _KP_NUDGE "$RANDOM" >/dev/null 2>&1 || true; }

# kp_wait_for_manager: waits until the window manager on $DISPLAY manages a window (a throwaway
# one, closed again). Fails after three minutes.
kp_wait_for_manager() {
  xmessage -geometry 40x20+0+0 ready >/dev/null 2>&1 &
  local probe=$! _ rc=1
  for _ in $(seq 1800); do
    if xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q '# 0x'; then rc=0; break; fi
    kp_nudge_manager
    sleep 0.1
  done
  kill "$probe" 2>/dev/null
  wait "$probe" 2>/dev/null || true
  [ $rc = 0 ] || echo "the window manager on $DISPLAY manages no window" >&2
  return $rc
}

# kp_scratch_dir PREFIX: a scratch folder in $scratch, removed on exit with every process in the
# caller's `pids` array stopped.
kp_scratch_dir() {
  scratch=$(mktemp -d "/tmp/$1.XXXXXX")
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$scratch"' EXIT
}
