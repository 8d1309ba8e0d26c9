#!/usr/bin/env bash
# Sets everything up and starts the Tarnwick wizard.
set -euo pipefail
# Only what the program folder needs; ./test.sh builds the tests.
TARNWICK_TARGET=wizard
source "$(dirname "$0")/scripts/setup.sh"

program="$TARNWICK_BUILD/Tarnwick/tarnwick"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Tarnwick is built in $TARNWICK_BUILD/Tarnwick/, but there is no display to show it on."
  echo "Start it on a desktop, or inside a virtual display:"
  echo "  xvfb-run -a $program"
  exit 1
fi
exec "$program"
