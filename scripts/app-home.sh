# Sourced by the end-to-end scripts that run the app.
# kp_app_home DIR: puts the app's XDG folders under DIR, lets Qt pick the display's platform, pins
# the local time to noon (so the cat is not put to bed for the night whatever the hour of the run)
# and sets `record` to the cat's record file.
kp_app_home() {
  export XDG_CONFIG_HOME=$1/config XDG_DATA_HOME=$1/data XDG_RUNTIME_DIR=$1/run
  mkdir -p "$XDG_CONFIG_HOME/kettlepaw" "$XDG_DATA_HOME/kettlepaw" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM
  local hour
  hour=$(date -u +%-H)
  export TZ="KPT$((hour - 12))"
  record=$XDG_DATA_HOME/kettlepaw/petLife.v1.json
}
