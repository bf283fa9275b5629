#!/usr/bin/env bash
# The install step puts the desktop entry under the id the app gives the desktop and its location
# service, so a location agent can name the app and remember the user's answer; its icon resolves.
set -euo pipefail
src="${KP_SOURCE_DIR:?}" build="${KP_BUILD_DIR:?}"
scratch=$(mktemp -d /tmp/kp-desktop.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --component desktop --prefix "$scratch" >/dev/null

id=$(sed -n 's/.*appIdentifier = "\([^"]*\)".*/\1/p' "$src/src/app/AppInfo.h")
[ -n "$id" ] || { echo "no app id found"; exit 1; }
entry="$scratch/share/applications/$id.desktop"
[ -f "$entry" ] || { echo "no desktop entry at $entry"; ls -R "$scratch"; exit 1; }
value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
[ "$(value Type)" = Application ] || { echo "not an application entry"; exit 1; }
[ "$(value Exec)" = kettlepaw ] || { echo "Exec is not the installed program: $(value Exec)"; exit 1; }
icon=$(value Icon)
[ -n "$icon" ] || { echo "no icon"; exit 1; }
ls "$scratch/share/icons/hicolor/"*/apps/"$icon".* >/dev/null 2>&1 || { echo "icon $icon is not installed"; exit 1; }
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry"; fi
echo ok
