#!/usr/bin/env bash
# Takes the README's picture of consoles beside the main window on a small
# screen, from the real program under Xvfb:
#   xvfb-run -a -s "-screen 0 1366x768x24" scripts/screenshot_consoles.sh
# Needs xdotool and ImageMagick; the build must exist (./test.sh).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$root/build/Tarnwick"
at() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-0.4}"; }
choose_map() { at 244 226 1.5; xdotool type --delay 10 "$program/samples/DemoMap.rfa"; xdotool key Return; sleep 1.2; }

rm -rf "$program/bf1942/levels/"* "$program/memory.bf"
cd "$program" && ./tarnwick & pid=$!
sleep 2
at 500 400                                  # the splash
choose_map; choose_map; choose_map          # three unpack consoles, counting down
import -window root "$root/docs/consoles-1366x768.png"
kill $pid
