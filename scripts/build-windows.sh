#!/usr/bin/env bash
# Cross-builds the program for Windows x64 into build-windows/: the program
# build-windows/bin/VQDTRM4_UpdateProgram.exe, the simulated controller as
# build-windows/bin/vqdtrm4hid.dll (with its import library), the test suites
# and the benchmark. Installs the MinGW-w64 toolchain and Wine when they are
# missing, and cross-builds the image codecs JUCE needs once into
# build-windows/deps/ (kept there for the next run). Extra arguments are
# passed to the build, such as a --target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=build-windows
deps=$root/$build/deps
prefix=$deps/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# --- Debian packages ---------------------------------------------------------
# The native build's packages too: juceaide and the JUCE modules come from
# there, and the end-to-end tests use Xvfb and xdotool.
scripts/install-deps.sh

packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    libz-mingw-w64-dev
    wine wine64
    fonts-liberation
    dpkg-dev zip unzip
)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# --- The image codecs --------------------------------------------------------
# Debian's JUCE leaves its own copies of libpng and libjpeg out, so the
# Windows build links these, cross-built static from Debian's sources.
build_codecs()
{
    local sources=$deps/src
    rm -rf "$sources" "$prefix"
    mkdir -p "$sources" "$prefix"

    # A source twin of the machine's Debian lists, so that apt-get source
    # finds the packages.
    if [ -f /etc/apt/sources.list.d/debian.sources ] && ! grep -qs '^Types: deb-src' /etc/apt/sources.list.d/*.sources; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
        "${sudo_cmd[@]}" apt-get update -qq
    fi
    if ! apt-cache showsrc libpng1.6 >/dev/null 2>&1 || [ -z "$(apt-cache showsrc libpng1.6 2>/dev/null)" ]; then
        "${sudo_cmd[@]}" apt-get update -qq
    fi

    (cd "$sources" && { apt-get source -qq libjpeg-turbo libpng1.6 || apt-get source -qq -t bookworm libjpeg-turbo libpng1.6; })

    local common=(-G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
                  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON)

    local jpeg
    jpeg=$(find "$sources" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
    cmake -S "$jpeg" -B "$sources/jpeg-build" "${common[@]}" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DWITH_JAVA=OFF >/dev/null
    cmake --build "$sources/jpeg-build" -j"$jobs" >/dev/null
    cmake --install "$sources/jpeg-build" >/dev/null
    # JUCE's JPEG reader defines JPEG_INTERNALS and needs the internal header.
    cp "$jpeg/jpegint.h" "$prefix/include/"
    # JUCE includes jpeglib.h inside a namespace of its own, after windows.h
    # has been read; jconfig.h then skips its boolean typedef (it assumes
    # rpcndr.h's global one), and libjpeg's declarations inside JUCE's
    # namespace no longer find one. Make the typedef unconditional.
    sed -i '/^#ifndef __RPCNDR_H__/{N;N;s/^#ifndef __RPCNDR_H__[^\n]*\n\(typedef unsigned char boolean;[^\n]*\)\n#endif[^\n]*/\1/}' \
        "$prefix/include/jconfig.h"
    if ! grep -q '^typedef unsigned char boolean;' "$prefix/include/jconfig.h" || grep -q '__RPCNDR_H__' "$prefix/include/jconfig.h"; then
        echo "build-windows: jconfig.h no longer reads as expected; its boolean typedef is not fixed" >&2
        exit 1
    fi

    local png
    png=$(find "$sources" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
    cmake -S "$png" -B "$sources/png-build" "${common[@]}" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
        -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a >/dev/null
    cmake --build "$sources/png-build" -j"$jobs" >/dev/null
    cmake --install "$sources/png-build" >/dev/null

    rm -rf "$sources"
    touch "$prefix/.complete"
}

if [ ! -f "$prefix/.complete" ]; then
    echo "Cross-building libjpeg-turbo and libpng into $prefix"
    start=$(date +%s)
    build_codecs
    echo "Codecs ready in $(( $(date +%s) - start )) s"
fi

# --- The program, the library, the tests -------------------------------------
launcher=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR=$root
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    juce_dir=$(dirname "$(dpkg -L juce-modules-source | grep '/JUCEConfig.cmake$' | head -1)")
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DJUCE_DIR="$juce_dir" \
        -DVQD_CODEC_PREFIX="$prefix" \
        "${launcher[@]}"
fi
cmake --build "$build" -j"$jobs" "$@"
