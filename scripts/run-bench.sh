#!/usr/bin/env bash
# Runs every benchmark binary that the bench build produced.
set -euo pipefail
build=${1:-build-bench}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
scratch=$(mktemp -d /tmp/kp-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch
found=0
for b in $(find "$build/bench" -type f -name '*_bench' -perm -u+x | sort); do
  found=1
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
[ $found = 1 ] || { echo "no benchmarks were built"; exit 1; }
# The whole app in each state that a script under bench/ measures (the island hidden, a room open,
# an outing, ...), each on a private display of its own.
rc=0
for s in $(find "$(dirname "$0")/../bench" -mindepth 2 -maxdepth 2 -name '*.sh' -not -path '*/lib/*' | sort); do
  echo "== $(basename "$(dirname "$s")")/$(basename "$s")"
  bash "$s" "$build" || rc=1
done
exit $rc
