#!/usr/bin/env bash
# Takes the README's screenshots of the world picture from the real program
# under Xvfb, on the Ridgeback sample (relief, tiles for part of the world,
# a combat area smaller than the world):
#   xvfb-run -a -s "-screen 0 1366x768x24" scripts/screenshot_world_picture.sh
# Needs xdotool and ImageMagick; the build must exist (./test.sh).
# TARNWICK_PROGRAM names another program folder to run (default: the build's).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${TARNWICK_PROGRAM:-$root/build/Tarnwick}"
docs="$root/docs"
shot() { import -window root "/tmp/tw-shot.png"; /usr/bin/convert /tmp/tw-shot.png -crop "$2" +repage "$docs/$1"; }
window="760x621+204+121"   # the main window without a window manager
at() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-0.4}"; }

rm -rf "$program/bf1942/levels/"* "$program/memory.bf"
cd "$program"; ./tarnwick & pid=$!
sleep 2
at 500 400                                  # the splash
at 244 226 1.5                              # choose the map archive
xdotool type --delay 10 "$program/samples/Ridgeback.rfa"; xdotool key Return; sleep 3
xdotool search --name "unpack.bat" windowmove 300 900; sleep 0.3
at 360 269                                  # OK
at 689 301 2                                # Start
xdotool key Return; sleep 0.5               # what Start found about the seed points, if anything
at 467 139 1                                # the Areas page: the level's world picture
shot page-areas-world.png "$window"
at 939 144 2                                # Pathmaps
eval "$(xdotool getwindowgeometry --shell "$(xdotool search --name "Pathmaps - " | head -1)")"
shot pathmap-window-slope.png "${WIDTH}x${HEIGHT}+${X}+${Y}"
kill $pid
