#!/usr/bin/env bash
# Cross-builds Tarnwick for 64-bit Windows and makes its program folder and
# Tarnwick-<version>-windows-x64.zip (in build-windows/ of the clone):
#   scripts/windows/build.sh            the program folder and the zip
#   scripts/windows/build.sh --tests    the test programs too
# The cross Qt and the libraries come from build-deps.sh (built once per
# machine into ${TARNWICK_WIN_CACHE:-$HOME/.cache/tarnwick}).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${TARNWICK_WIN_CACHE:-$HOME/.cache/tarnwick}
jobs=${TW_JOBS:-2}
qt=$cache/qt-6.4.2-mingw64
deps=$cache/deps-mingw64
host=${TARNWICK_BUILD:-$root/build}
build=${TARNWICK_WIN_BUILD:-$root/build-windows}
with_tests=0
[ "${1:-}" = "--tests" ] && with_tests=1

"$here/build-deps.sh"
command -v zip >/dev/null || {
    if [ "$(id -u)" = 0 ]; then apt-get install -y -qq --no-install-recommends zip; else sudo apt-get install -y -qq --no-install-recommends zip; fi
}

# The tools that run during the build (the sample archives, the sample's
# pathmaps) come from a build for this machine.
cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$host" -j"$jobs" --target rfapack make_sample_pathmaps

export TW_WIN_PREFIXES="$qt:$deps"
export PKG_CONFIG_LIBDIR="$deps/lib/pkgconfig" PKG_CONFIG_PATH="" PKG_CONFIG_SYSROOT_DIR=""
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-mingw64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt;$deps" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_EXE_LINKER_FLAGS="-static-libgcc -static-libstdc++" \
    -DTARNWICK_HOST_TOOLS="$host" >/dev/null
echo "== Tarnwick for Windows"
targets=(wizard)
[ "$with_tests" = 1 ] && targets+=(windows_tests)
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

version=$(sed -n 's/.*kVersion = "\([^"]*\)".*/\1/p' "$root/cli/cli_common.h")
dist=$build/dist/Tarnwick
rm -rf "$build/dist"
mkdir -p "$dist"
prog=$build/Tarnwick
cp "$prog/tarnwick.exe" "$prog/tarnwick-cli.exe" "$prog/tarnwick-batch.exe" "$dist/"
# The archive tools under the names the batch files call.
cp "$prog/rfapack.exe" "$dist/rfaPack.exe"
cp "$prog/rfaunpack.exe" "$dist/rfaunpack.exe"
cp "$prog/tarnwick.png" "$dist/"
cp -r "$prog/temp" "$prog/samples" "$dist/"
mkdir -p "$dist/Network" "$dist/bf1942/levels"
# Qt and the mingw runtime.
for dll in Qt6Core Qt6Gui Qt6Widgets; do cp "$qt/bin/$dll.dll" "$dist/"; done
mkdir -p "$dist/platforms" "$dist/styles" "$dist/imageformats"
cp "$qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$qt/plugins/styles/"*.dll "$dist/styles/" 2>/dev/null || true
cp "$qt/plugins/imageformats/"*.dll "$dist/imageformats/" 2>/dev/null || true
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp "$runtime/libstdc++-6.dll" "$runtime/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$dist/"
zipfile=$build/Tarnwick-$version-windows-x64.zip
rm -f "$zipfile"
(cd "$build/dist" && zip -qr "$zipfile" Tarnwick)
echo "Windows program folder: $dist"
echo "Zip: $zipfile"
