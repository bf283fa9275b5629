#!/usr/bin/env bash
# Every #include "folder/..." under src/ must point to the including file's own folder or to a lower
# floor of the house (ARCHITECTURE.md). Prints each include that points up or sideways; fails if any.
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/.." && pwd)/src}"
cd "$src"

find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort |
    xargs grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' /dev/null |
    awk '
    # The floor of a path under src/, by its folder; the app state is the one part of app/ that the
    # views below the app may read.
    function floor(p) {
        if (p ~ /^platform\//) return 0
        if (p ~ /^core\//) return 1
        if (p ~ /^cat\/art\//) return 3
        if (p ~ /^cat\//) return 2
        if (p ~ /^life\//) return 4
        if (p ~ /^(audio|scenery)\//) return 5
        if (p ~ /^app\/(AppState|AppLinks)\./) return 6
        if (p ~ /^island\//) return 7
        if (p ~ /^(rooms|desktop|onboarding|settings)\//) return 8
        if (p ~ /^album\//) return 9
        if (p ~ /^app\//) return 10
        return -1
    }
    # Units on one floor may not include each other.
    function unit(p) {
        if (p ~ /^cat\/art\//) return "cat/art"
        if (p ~ /^app\/(AppState|AppLinks)\./) return "app/state"
        sub(/\/.*/, "", p)
        return p
    }
    {
        file = $0; sub(/:.*/, "", file)
        target = $0; sub(/^[^"]*"/, "", target); sub(/".*/, "", target)
        from = floor(file)
        if (from < 0) { if (!(file in told)) print file ": in a folder with no floor"; told[file]; bad = 1; next }
        if (target !~ /\//) next
        if (unit(target) == unit(file)) next
        to = floor(target)
        if (to < 0 || to >= from) { print file ": may not include \"" target "\""; bad = 1 }
    }
    END { exit bad }'
