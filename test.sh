#!/usr/bin/env bash
# Sets everything up and runs every test.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$(mktemp -d)"
fi
cd "$TARNWICK_BUILD"
ctest --output-on-failure -j2
