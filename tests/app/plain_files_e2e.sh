#!/usr/bin/env bash
# End to end: a pipe or a link to a zero device where the cat's record, the settings file or an
# album photo belongs neither holds the app up nor ends it: such a record is kept aside for a new
# kitten, such a settings file is left as it is (the log says so once), the album opens past such
# photos, and SIGTERM ends the app at once. A settings file of 30 MB is left as it is the same way.
set -uo pipefail
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app Xvfb xwininfo xdotool python3
kp_scratch_dir kp-plain-files
kp_start_display 173 "$scratch/x.log" || exit 1
# At most 4 GB: a read that never ends fails there, not the machine.
kp_bound_memory 4000000
read -r W H < <(xdotool getdisplaygeometry)
cx=$((W / 2))
xdotool mousemove "$cx" $((H - 40))
# As root the zero device is a node of its own: a write through the link spares /dev/zero.
zero=/dev/zero
[ "$(id -u)" = 0 ] && { zero=$scratch/zero; mknod -m 666 "$zero" c 1 5 || { echo "no device node: skipped"; exit 77; }; }
# A huge file: a legal settings file of a million and a half keys.
plant() {
  case $1 in
    pipe) mkfifo "$2" ;;
    huge) python3 -c 'import sys; open(sys.argv[1], "w").write("[General]\nonboardedV1=true\n" + "".join(f"k{n}=value{n}\n" for n in range(1500000)))' "$2"
          cp "$2" "$scratch/huge.conf" ;;
    *) ln -s "$zero" "$2" ;;
  esac
}
still() {
  case $1 in
    pipe) [ -p "$2" ] ;;
    huge) cmp -s "$2" "$scratch/huge.conf" ;;
    *) [ "$(readlink "$2")" = "$zero" ] && [ -c "$zero" ] ;;
  esac
}
# within SECONDS WHY COMMAND...: fails with WHY, the app killed, unless COMMAND holds in time.
within() { kp_wait "$1" "${@:3}" || { kill -KILL "$app_pid"; kp_fail "$run: $2"; }; }
up() { kill -0 "$app_pid" 2>/dev/null || kp_fail "$run: the app ended"; xwininfo -root -tree 2>/dev/null | grep -q '"Kettlepaw Island"'; }

for kind in pipe zero huge; do
  for run in "record-$kind" "settings-$kind"; do
    [ "$run" = record-huge ] && continue
    kp_app_home "$scratch/$run"
    printf '[General]\nonboardedV1=true\nsoundOn=false\nopenIdleSeconds=600\n' >"$conf"
    album=$XDG_DATA_HOME/kettlepaw/Album
    if [ "$run" = record-pipe ]; then
      # An earlier cat's page whose photos are a pipe and a link to the device.
      mkdir -p "$album" && plant pipe "$album/a.jpg" && plant zero "$album/b.jpg"
      printf '[{"id":"8E0A2B8C-2D59-4C55-9E4B-1E8F3C8B7A10","key":"farewell","date":7e8,"catBirth":6.9e8,
        "died":true,"photos":["a.jpg","b.jpg"],"captions":["a","b"]}]' >"$XDG_DATA_HOME/kettlepaw/album.v1.json"
    fi
    if [ "${run%-*}" = record ]; then plant $kind "$record"; else rm "$conf" && plant $kind "$conf"; fi
    kp_start_app "$scratch/$run.log"
    within 60 "not up within a minute" up
    if [ "$run" = record-pipe ]; then
      kp_expect_island '360x62+*' 60 "the greeting"
      kp_expect_island hidden 30 "the greeting ends"
      xdotool mousemove "$cx" 3
      kp_expect_island '276x32+*' 20 "peek"
      kp_click_until "$cx" 3 1 "open" '640x160+*'
      # The album button.
      kp_click_for $((cx + 280)) 20 1 eval 'xdotool search --onlyvisible --name "^Album\$" >/dev/null' ||
        { kill -KILL "$app_pid"; kp_fail "$run: no album"; }
      still pipe "$album/a.jpg" && still zero "$album/b.jpg" || kp_fail "$run: the photos were touched"
    fi
    kill -TERM "$app_pid"
    within 20 "SIGTERM did not end the app" eval '! kill -0 "$app_pid" 2>/dev/null'
    wait "$app_pid" || kp_fail "$run: exit status $?"
    if [ "${run%-*}" = record ]; then
      still $kind "$(find "$XDG_DATA_HOME" -name 'petLife.v1.unreadable-*')" || kp_fail "$run: not kept aside"
      python3 -c 'import json, sys, time; b = json.load(open(sys.argv[1]))["birth"]
assert 0 <= time.time() - 978307200 - b < 600, b' "$record" || kp_fail "$run: no new kitten saved"
    else
      still $kind "$conf" || kp_fail "$run: the settings file was replaced"
      [ "$(grep -c 'settings file' "$scratch/$run.log")" = 1 ] || kp_fail "$run: not said once"
    fi
    echo "$run: ok"
  done
done
