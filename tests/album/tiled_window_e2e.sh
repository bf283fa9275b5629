#!/usr/bin/env bash
# End to end under i3, a tiling window manager: the Album opened from the island's room fills its
# tile, and what it shows there is the book laid out for the tile alone, with no smaller copy of
# the window left over in a corner; the book's controls answer where the tile shows them.
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 77; }
source "${KP_SOURCE_DIR:?}/tests/support/e2e.sh"
kp_need_app xdotool xwininfo xprop i3
kp_scratch_dir kp-tiled-e2e
kp_start_display 170 "$scratch/xvfb.log" || exit 1
printf 'font pango:monospace 8\n' >"$scratch/i3.conf"
i3 -c "$scratch/i3.conf" >"$scratch/i3.log" 2>&1 & pids+=($!)
kp_wait 60 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || kp_fail "i3 did not start"
kp_app_home "$scratch"
printf '[General]\nonboardedV1=true\nopenIdleSeconds=600\nsoundOn=false\nmusicOn=false\n' >"$conf"
read -r W H < <(xdotool getdisplaygeometry)
xdotool mousemove $((W / 2)) $((H - 40))
kp_start_app "$scratch/app.log"
kp_expect_island '360x62+*' 60 "the greeting at launch"
kp_expect_island hidden 30 "the greeting ends"
xdotool mousemove $((W / 2)) 10
kp_expect_island '276x32+*' 20 "peek under the pointer"
kp_click_until $((W / 2)) 10 1 "open on a click" '640x160+*'

# The album button, left of the gear at the right end of the room's top bar.
left=$(((W - 640) / 2))
xdotool mousemove $((left + 600)) 20 click 1
album() { xdotool search --onlyvisible --name '^Album$' 2>/dev/null | head -1; }
kp_wait 20 eval '[ -n "$(album)" ]' || kp_fail "the album button did not open the Album"
id=$(album)
# The window's place on the screen: "x y w h".
at() {
  xwininfo -id "$id" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END { print x, y, w, h }'
}
tiled() { local x y w h; read -r x y w h < <(at); [ "$w" -ge $((W - 4)) ] && [ "$h" -ge $((H - 60)) ]; }
kp_wait 20 tiled || kp_fail "the Album does not fill its tile: $(at)"
read -r x y w h < <(at)
echo "Album: ${w}x${h}+${x}+${y}"

# The book lies in the middle of the tile, with its cover's cream medallion: a window that took
# any other size shows its book somewhere else. Light pixels in the middle; none out to the left
# below the island, where a book laid out for 460 x 720 shows its medallion.
middle() { kp_count_light $((x + w / 2 - 60)) $((y + 80)) 120 $((h / 2)); }
kp_expect_pixels "the cover's medallion in the middle of the tile" 500 middle
kp_shot tiled-album "$x" "$y" "$w" "$h"
side=$(kp_count_light $((x + 40)) $((y + 170)) $((w / 2 - 300)) $((h - 270)))
[ "$side" -eq 0 ] || kp_fail "$side light pixels left of the book: a smaller Album is drawn in the corner"
echo "the tile shows one book, in its middle"

# What is shown is what answers: the next button under the book, where the viewer lays it out for
# the tile (a book 0.68 as wide as tall in the height left by the bars, the button 112 points
# right of the middle), turns the cover over to the first page's paper.
book_h=$(awk -v w="$w" -v h="$h" 'BEGIN { s = 0.68 * (h - 188); if (s > w - 48) s = w - 48; printf "%d", s / 0.68 }')
# The lower part of the book: the cover's brown board, then the paper of page 1.
paper() { kp_count_light $((x + w / 2 - 60)) $((y + 72 + book_h - 140)) 120 100; }
[ "$(paper)" -lt 100 ] || kp_fail "paper where the cover should be ($(paper) light pixels)"
xdotool mousemove $((x + w / 2 + 112)) $((y + 72 + book_h + 18 + 24)) click 1
kp_expect_pixels "the next button under the book turns the cover" 8000 paper
kp_shot tiled-album-page "$x" "$y" "$w" "$h"
echo "the next button the tile shows turns the page"
kp_stop_app || kp_fail "exit status $? after SIGTERM"
echo "tiled album: ok"
