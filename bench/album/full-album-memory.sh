#!/usr/bin/env bash
# The memory a full album adds: 400 keepsakes with 800 photos opened, paged through to the end,
# minimised, restored and closed, at scale 1 and 2. Fails when either adds more than 60 MB
# (KP_ALBUM_MEMORY_MB) over the resting size.
# Usage: full-album-memory.sh [build dir]   (benchmark-style arguments are ignored)
set -uo pipefail
build=${KP_BUILD_DIR:-}
for a in "$@"; do case $a in --*) ;; *) build=$a ;; esac; done
here=$(cd "$(dirname "$0")" && pwd)
[ -n "$build" ] || build=$(cd "$here/../.." && pwd)/build
probe=$build/bench/album/album_memory_probe
[ -x "$probe" ] || { echo "full-album-memory: no probe under $build"; exit 1; }
scratch=$(mktemp -d /tmp/kp-album-memory.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export XDG_RUNTIME_DIR=$scratch QT_QPA_PLATFORM=offscreen
rc=0
for scale in 1 2; do
  echo -n "scale $scale: "
  QT_SCALE_FACTOR=$scale "$probe" "${KP_ALBUM_MEMORY_MB:-60}" || rc=1
done
exit $rc
