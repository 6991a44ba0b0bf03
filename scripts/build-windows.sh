#!/usr/bin/env bash
# Cross-builds the program for Windows, x64 and 32-bit x86, each into a tree
# of its own:
#
#   build-windows/      x64 (cmake/mingw-w64-x86_64.cmake)
#   build-windows-x86/  x86 (cmake/mingw-w64-i686.cmake)
#
# each with bin/VQDTRM4_UpdateProgram.exe, the simulated controller as
# bin/vqdtrm4hid.dll (with its import library), the test suites and the
# benchmark. Installs the MinGW-w64 toolchains and Wine (32-bit programs
# included) when they are missing, and cross-builds the image codecs JUCE
# needs once per architecture into the tree's deps/ (kept for the next run).
#
#   scripts/build-windows.sh [--arch x64|x86|all] [--stdcall] [BUILD ARGS...]
#   scripts/build-windows.sh --vendor-dll PATH
#
# --arch picks one architecture (all is the default). --stdcall builds the
# x86 tree for a __stdcall library (VQD_HID_STDCALL=ON); the simulated
# controller then exports MinGW's decorated names. Further arguments go to
# the build, such as a --target.
#
# --vendor-dll PATH builds the program (no tests) against the maker's own
# vqdtrm4hid.dll: scripts/check-vendor-dll.sh tells which architecture and
# calling convention fit it (and the build stops with its words when none
# does), an import library is made from the DLL's own exports, and the tree
# build-windows-vendor-<arch>/ gets the program with the maker's DLL beside
# it in bin/, and in recorder/ the recording library that exports the names
# of that DLL with its convention.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/lib/packages.sh
. scripts/lib/wine.sh
. scripts/lib/windows-arch.sh
. scripts/lib/build-tree.sh

arches=(x64 x86)
stdcall=OFF
vendor_dll=""
build_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --arch)
            case "${2:-}" in
                x64|x86) arches=("$2") ;;
                all) arches=(x64 x86) ;;
                *) echo "build-windows: --arch takes x64, x86 or all" >&2; exit 2 ;;
            esac
            shift 2 ;;
        --arch=*) set -- --arch "${1#--arch=}" "${@:2}" ;;
        --stdcall) stdcall=ON; shift ;;
        --vendor-dll)
            [ -n "${2:-}" ] || { echo "build-windows: --vendor-dll takes the DLL's path" >&2; exit 2; }
            vendor_dll=$(realpath "$2"); shift 2 ;;
        --vendor-dll=*) set -- --vendor-dll "${1#--vendor-dll=}" "${@:2}" ;;
        *) build_args+=("$1"); shift ;;
    esac
done
jobs=$(nproc)

# --- Debian packages ---------------------------------------------------------
# The native build's packages too: juceaide and the JUCE modules come from
# there, and the end-to-end tests use Xvfb and xdotool.
scripts/install-deps.sh
vqd_install_packages \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    mingw-w64-tools libz-mingw-w64-dev \
    wine wine64 \
    fonts-liberation \
    dpkg-dev zip unzip python3-pefile icoutils osslsigncode


# --- The image codecs --------------------------------------------------------
# Debian's JUCE leaves its own copies of libpng and libjpeg out, so the
# Windows build links these, cross-built static from Debian's sources.
build_codecs()
{
    local arch=$1 prefix=$2
    local deps sources toolchain triplet
    deps=$(dirname "$prefix")
    sources=$deps/src
    toolchain=$root/$(vqd_arch_toolchain "$arch")
    triplet=$(vqd_arch_triplet "$arch")
    rm -rf "$sources" "$prefix"
    mkdir -p "$sources" "$prefix"

    # A source twin of the machine's Debian lists, so that apt-get source
    # finds the packages.
    if [ -f /etc/apt/sources.list.d/debian.sources ] && ! grep -qs '^Types: deb-src' /etc/apt/sources.list.d/*.sources; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            | vqd_as_root tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
        vqd_apt_update
    fi
    if [ -z "$(apt-cache showsrc libpng1.6 2>/dev/null)" ]; then
        vqd_apt_update
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
        -DZLIB_INCLUDE_DIR="/usr/$triplet/include" \
        -DZLIB_LIBRARY="/usr/$triplet/lib/libz.a" >/dev/null
    cmake --build "$sources/png-build" -j"$jobs" >/dev/null
    cmake --install "$sources/png-build" >/dev/null

    rm -rf "$sources"
    touch "$prefix/.complete"
}

# codec_prefix ARCH: the architecture's codecs, built when missing.
codec_prefix()
{
    local arch=$1 prefix
    prefix=$root/$(vqd_arch_tree "$arch")/deps/prefix
    if [ ! -f "$prefix/.complete" ]; then
        echo "Cross-building libjpeg-turbo and libpng for $arch into $prefix" >&2
        local start
        start=$(date +%s)
        build_codecs "$arch" "$prefix" >&2
        echo "Codecs ready in $(( $(date +%s) - start )) s" >&2
    fi
    echo "$prefix"
}

# --- The program, the library, the tests -------------------------------------
juce_dir=$(dirname "$(dpkg -L juce-modules-source | grep '/JUCEConfig.cmake$' | head -1)")

# configure_tree TREE ARCH [CMAKE OPTIONS...]: once, with the tree's
# toolchain and codecs (built when missing); the options given here
# reconfigure a configured tree.
configure_tree()
{
    local tree=$1 arch=$2; shift 2
    local prefix
    prefix=$(codec_prefix "$arch")
    vqd_configure_once . "$tree" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/$(vqd_arch_toolchain "$arch")" \
        -DJUCE_DIR="$juce_dir" -DVQD_CODEC_PREFIX="$prefix" -- "$@" >/dev/null
}

if [ -n "$vendor_dll" ]; then
    # What fits the maker's DLL; the check's own words when nothing does.
    if ! fit=$(scripts/check-vendor-dll.sh --print-build "$vendor_dll"); then
        scripts/check-vendor-dll.sh "$vendor_dll" >&2 || true
        echo "build-windows: no build of the program fits $vendor_dll" >&2
        exit 1
    fi
    arch=$(sed -n 's/.*arch=\([a-z0-9]*\).*/\1/p' <<<"$fit")
    convention=$(sed -n 's/.*convention=\([a-z]*\).*/\1/p' <<<"$fit")
    case "$arch" in x64|x86) ;; *) echo "build-windows: cannot read the check's answer: $fit" >&2; exit 1 ;; esac
    tree=build-windows-vendor-$arch
    # Says what it found in the DLL, then makes the import library.
    mkdir -p "$tree/vendor"
    python3 scripts/vendor_dll.py import-lib "$vendor_dll" "$root/$tree/vendor"
    configure_tree "$tree" "$arch" \
        -DVQD_VENDOR_IMPORT_LIBRARY="$root/$tree/vendor/libvqdtrm4hid.a" \
        -DVQD_RECORDER_EXPORTS="$root/$tree/vendor/recorder.def" \
        -DVQD_HID_STDCALL="$([ "$convention" = stdcall ] && echo ON || echo OFF)"
    # The recording library built for this DLL exports its very names
    # (scripts/package-windows.sh --recorder --vendor-dll packs it).
    cmake --build "$tree" -j"$jobs" --target VQDTRM4_UpdateProgram make_update_file vqd_recorder
    cp "$vendor_dll" "$tree/bin/vqdtrm4hid.dll"
    echo "Built $tree/bin/VQDTRM4_UpdateProgram.exe ($arch, $convention) against $vendor_dll"
    exit 0
fi

for arch in "${arches[@]}"; do
    tree=$(vqd_arch_tree "$arch")
    convention_option=()
    if [ "$arch" = x86 ]; then
        # The x86 tree's tests run 32-bit programs under Wine, where the
        # kernel runs 32-bit code.
        vqd_install_wine32
        # The convention reconfigures the tree only when it changes.
        grep -qx "VQD_HID_STDCALL:BOOL=$stdcall" "$tree/CMakeCache.txt" 2>/dev/null \
            || convention_option=(-DVQD_HID_STDCALL="$stdcall")
    fi
    configure_tree "$tree" "$arch" "${convention_option[@]}"
    echo "Building $tree ($arch)"
    cmake --build "$tree" -j"$jobs" "${build_args[@]}"
done
