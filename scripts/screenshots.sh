#!/usr/bin/env bash
# Takes the README's screenshots from the real program under Xvfb:
#   xvfb-run -a -s "-screen 0 1024x800x24" scripts/screenshots.sh
# Needs xdotool and ImageMagick; the build must exist (./test.sh).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$root/build/Tarnwick"
docs="$root/docs"
shot() { import -window root "/tmp/tw-shot.png"; /usr/bin/convert /tmp/tw-shot.png -crop "$2" +repage "$docs/$1"; }
window="760x621+204+121"   # the main window without a window manager
at() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-0.4}"; }

rm -rf "$program/bf1942/levels/"* "$program/memory.bf"
cd "$program"; ./tarnwick & pid=$!
sleep 2
at 500 400                                  # the splash
at 244 226 1.5                              # choose the map archive
xdotool type --delay 10 "$program/samples/DemoMap.rfa"; xdotool key Return; sleep 2
eval "$(xdotool getwindowgeometry --shell "$(xdotool search --name unpack.bat | head -1)")"
shot console.png "${WIDTH}x${HEIGHT}+${X}+${Y}"    # the console, beside the main window
xdotool search --name "unpack.bat" windowmove 300 760; sleep 0.3
at 360 269                                  # OK
at 623 263                                  # Ships
at 689 301 1                                # Start: on to the Areas page by itself
at 297 139                                  # back to page 1
at 252 366                                  # COOP.con in the list
shot page-map.png "$window"

at 467 139 1                                # the Areas page: the level's InGameMap.dds is loaded
at 746 183                                  # interval mode
xdotool mousemove 841 228 click --repeat 3 1; xdotool type "20"; sleep 0.3
at 832 346                                  # New Strategic - Area
at 746 183; xdotool key 6 6 6 5 5; sleep 0.3
at 842 362                                  # Apply the current point
at 746 183; xdotool key 6 6 5 5 5 5; sleep 0.3
at 842 378                                  # Apply the current area: the box opens left of it
xdotool mousemove 489 348 click --repeat 3 1; xdotool type "Village"
xdotool mousemove 489 388 click --repeat 3 1; xdotool type "120"
at 497 494                                  # ControlPoint
at 465 622                                  # Neutral
shot page-areas.png "$window"
at 489 652                                  # OK
at 812 396 1                                # Propose areas from control points: the first, below its area
shot page-areas-proposals.png "$window"
at 245 583 1                                # Accept all
at 580 708 0.8                              # CLICK HERE WHEN YOU ARE DONE
at 752 431 0.8                              # Next one: Village (drawn by hand)
shot page-areas-neighbours.png "$window"    # the axis base, its proposed neighbour ticked
at 568 341 1                                # Accept all
xdotool key Return; sleep 0.5               # "Change something if you want to."
shot page-packing.png "$window"
at 807 139                                  # Stats
shot page-stats.png 760x120+204+121
kill $pid
wait $pid 2>/dev/null; sleep 1
# Coming back: page 1 offers the conversion just made.
./tarnwick & pid=$!
sleep 2
at 500 400                                  # the splash
shot page-continue.png "$window"
at 450 688 1.5                              # continue it: page 3, where it was left
at 467 139 1                                # the Areas page
xdotool mousemove 800 480 click 3; sleep 0.6   # CP_Village's context menu
shot page-areas-editing.png 860x621+204+121
xdotool key Escape
kill $pid
