#!/usr/bin/env bash
# Installs what Tarnwick needs from Debian's packages (when missing) and
# builds it. Sourced by run.sh and test.sh; TARNWICK_TARGET names what to
# build (run.sh: "wizard", the program folder alone; default: everything).
set -euo pipefail

TARNWICK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TARNWICK_BUILD="${TARNWICK_BUILD:-$TARNWICK_ROOT/build}"

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg62-turbo-dev liblzo2-dev libsquish-dev libgtest-dev
  fonts-dejavu-core fonts-liberation
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    as_root=()
  elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "These Debian packages are missing and this user cannot install them: ${missing[*]}" >&2
    exit 1
  fi
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$TARNWICK_ROOT" -B "$TARNWICK_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$TARNWICK_BUILD" -j2 --target "${TARNWICK_TARGET:-all}"
