#!/usr/bin/env bash
# Builds, once per machine, everything the Windows build of Tarnwick links
# against, cross-compiled with Debian's mingw-w64 (posix threads):
#   qt-6.4.2-mingw64/   Qt Core, Gui, Widgets, Test from Debian's qt6-base source
#   deps-mingw64/       liblzo2, libjpeg-turbo, libsquish (Debian sources, static)
#                       and GoogleTest (/usr/src/googletest, static)
# under ${TARNWICK_WIN_CACHE:-$HOME/.cache/tarnwick}. A part already built
# (its .done stamp exists) is left as it is. Jobs: TW_JOBS (default 2).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${TARNWICK_WIN_CACHE:-$HOME/.cache/tarnwick}
jobs=${TW_JOBS:-2}
qt_prefix=$cache/qt-6.4.2-mingw64
deps_prefix=$cache/deps-mingw64
src_root=$cache/src
toolchain=$here/toolchain-mingw64.cmake
mkdir -p "$cache" "$src_root"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

need_pkgs=()
for p in g++-mingw-w64-x86-64-posix mingw-w64-tools dpkg-dev cmake ninja-build \
         qt6-base-dev qt6-base-dev-tools googletest; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need_pkgs+=("$p")
done
if [ ${#need_pkgs[@]} -gt 0 ]; then
    echo "== the Debian packages the Windows build needs: ${need_pkgs[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need_pkgs[@]}"
fi

# Source packages need a deb-src entry: the same archive, suites and key as
# the system's own debian.sources.
srcfile=/etc/apt/sources.list.d/tarnwick-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    as_root tee "$srcfile" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    as_root apt-get update -qq
fi

# Fetches Debian's source package $1 into $src_root/$1 (once) and prints
# the unpacked folder.
fetch_source() {
    local pkg=$1 dir=$src_root/$1
    if [ ! -f "$dir/.fetched" ]; then
        rm -rf "$dir"; mkdir -p "$dir"
        (cd "$dir" && apt-get source -qq "$pkg" >/dev/null)
        touch "$dir/.fetched"
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1
}

# Configures, builds and installs one part; what the tools print goes to
# $cache/logs/<build folder's name>.log, and its end is shown if it fails.
cmake_cross() { # source build prefix [cmake options...]
    local s=$1 b=$2 p=$3; shift 3
    local log=$cache/logs/$(basename "$b").log
    mkdir -p "$cache/logs"
    rm -rf "$b"
    echo "   (what the build prints: $log)"
    if ! { cmake -G Ninja -S "$s" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
               -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$p" "$@" &&
           cmake --build "$b" -j"$jobs" &&
           cmake --install "$b"; } > "$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "Building $(basename "$s") for Windows failed; the whole log is $log." >&2
        exit 1
    fi
}

mkdir -p "$deps_prefix"
if [ ! -f "$deps_prefix/.lzo.done" ]; then
    echo "== liblzo2"
    s=$(fetch_source lzo2)
    cmake_cross "$s" "$src_root/lzo-build" "$deps_prefix" \
        -DENABLE_STATIC=ON -DENABLE_SHARED=OFF -DCMAKE_POLICY_DEFAULT_CMP0077=NEW
    mkdir -p "$deps_prefix/lib/pkgconfig"
    cat > "$deps_prefix/lib/pkgconfig/lzo2.pc" <<PC
prefix=$deps_prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: lzo2
Description: LZO data compression library (static, Windows)
Version: 2.10
Libs: -L\${libdir} -llzo2
Cflags: -I\${includedir}/lzo -I\${includedir}
PC
    rm -rf "$src_root/lzo-build"
    touch "$deps_prefix/.lzo.done"
fi
if [ ! -f "$deps_prefix/.jpeg.done" ]; then
    echo "== libjpeg-turbo"
    s=$(fetch_source libjpeg-turbo)
    cmake_cross "$s" "$src_root/jpeg-build" "$deps_prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DWITH_JPEG8=OFF
    rm -rf "$src_root/jpeg-build"
    touch "$deps_prefix/.jpeg.done"
fi
if [ ! -f "$deps_prefix/.squish.done" ]; then
    echo "== libsquish"
    s=$(fetch_source libsquish)
    cmake_cross "$s" "$src_root/squish-build" "$deps_prefix" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_SQUISH_WITH_OPENMP=OFF -DBUILD_SQUISH_WITH_SSE2=ON \
        -DBUILD_SQUISH_EXTRA=OFF
    rm -rf "$src_root/squish-build"
    touch "$deps_prefix/.squish.done"
fi
if [ ! -f "$deps_prefix/.gtest.done" ]; then
    echo "== GoogleTest"
    cmake_cross /usr/src/googletest "$src_root/gtest-build" "$deps_prefix" \
        -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON
    rm -rf "$src_root/gtest-build"
    touch "$deps_prefix/.gtest.done"
fi
if [ ! -f "$qt_prefix/.done" ]; then
    echo "== Qt 6.4.2 for Windows (about 30 minutes with -j2)"
    qtsrc=$(fetch_source qt6-base)
    # wintab.h is not in Debian's source: no tablet events. The Windows
    # platform plugin needs OpenGL (mingw-w64 has its headers and opengl32).
    cmake_cross "$qtsrc" "$src_root/qt-build" "$qt_prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DQT_BUILD_BENCHMARKS=OFF -DQT_BUILD_MANUAL_TESTS=OFF \
        -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF \
        -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_jpeg=OFF \
        -DFEATURE_jpeg=ON -DFEATURE_icu=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DINPUT_opengl=desktop
    rm -rf "$src_root/qt-build"
    touch "$qt_prefix/.done"
fi

echo "Windows build dependencies ready in $cache"
