#!/usr/bin/env bash
# Packs the Windows builds for users, one zip per architecture:
#
#   dist/VQDTRM4_UpdateProgram-<version>-win64.zip   from build-windows/      (x64)
#   dist/VQDTRM4_UpdateProgram-<version>-win32.zip   from build-windows-x86/  (x86)
#
# each with the program and docs/windows/README.txt, which tells which zip
# fits which maker's DLL. The maker's vqdtrm4hid.dll decides the
# architecture (Windows loads a DLL only into a program of its own), and the
# simulated one must never reach a user: a zip holds no DLL unless
# --vendor-dll names the maker's and the tree was built against it.
#
#   scripts/package-windows.sh [--arch x64|x86] [--tree DIR] [--dist DIR]
#                              [--vendor-dll PATH]
#                              [--sign CERT [--key KEY] [--pass-file FILE] [--ca-file FILE]]
#   scripts/package-windows.sh --recorder [--arch x64|x86] [--tree DIR] [--dist DIR]
#                              [--vendor-dll PATH]
#
# Without --arch or --tree every tree that holds a program is packed (and
# the x64 one is built first when there is none at all). --tree packs that
# tree, whichever its architecture. --vendor-dll PATH packs the maker's DLL
# beside the program, into the zip of the tree scripts/build-windows.sh
# --vendor-dll PATH made (build-windows-vendor-<arch>/, or --tree), and
# refuses any other tree. --sign signs the program with Authenticode through
# osslsigncode: CERT is a PEM certificate (chain) with its PEM private key
# --key, or a PKCS#12 file (.p12, .pfx) with both; --pass-file holds the
# key's password; the signature is verified before it is packed, against
# --ca-file or the system's certificates.
#
# The program in the zip carries no debug information: it is split off into
# <dist>/VQDTRM4_UpdateProgram-<version>-<win64|win32>-debug/VQDTRM4_UpdateProgram.exe.debug,
# which gdb finds when it lies beside the program (.gnu_debuglink).
#
# --recorder packs the recording library instead, for the person who records
# an update with a real controller (docs/windows/RECORDING.txt):
# dist/VQDTRM4_Recorder-<version>-<suffix>.zip with the tree's
# recorder/vqdtrm4hid.dll, stripped, and RECORDING.txt. The suffix says what
# the library fits: win64, win32-cdecl or win32-stdcall for plain names; with
# --vendor-dll PATH, the recorder of the tree build-windows.sh --vendor-dll
# PATH made, which exports the names of that DLL, and the suffix names their
# form too (win32-stdcall-msvc-names for _HID_Write@12, and so on; what
# scripts/check-vendor-dll.sh names).
#
# Two runs from the same commit give zips with the same bytes: the linker
# writes no time stamps (cmake/Windows.cmake), objcopy writes none here,
# the zip's entries are sorted and carry one fixed date, and a signature
# carries the commit's time as its signing time (SOURCE_DATE_EPOCH, when
# set, instead), no time-stamp countersignature.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() { sed -n '13,18p' "$0" | sed 's/^# \{0,1\}//' >&2; }
fail() { echo "package-windows: $*" >&2; exit 1; }

arch=""
tree_option=""
dist=$root/dist
vendor_dll=""
sign_cert=""
sign_key=""
pass_file=""
ca_file=""
recorder=""
while [ $# -gt 0 ]; do
    case "$1" in
        --arch|--tree|--dist|--vendor-dll|--sign|--key|--pass-file|--ca-file)
            [ $# -ge 2 ] && [ -n "$2" ] || { usage; exit 2; }
            case "$1" in
                --arch) arch=$2 ;;
                --tree) tree_option=$(realpath "$2") ;;
                --dist) dist=$(realpath -m "$2") ;;
                --vendor-dll) vendor_dll=$(realpath "$2") ;;
                --sign) sign_cert=$(realpath "$2") ;;
                --key) sign_key=$(realpath "$2") ;;
                --pass-file) pass_file=$(realpath "$2") ;;
                --ca-file) ca_file=$(realpath "$2") ;;
            esac
            shift 2 ;;
        --recorder) recorder=1; shift ;;
        --*=*) set -- "${1%%=*}" "${1#*=}" "${@:2}" ;;
        -h|--help) usage; exit 0 ;;
        *) usage; exit 2 ;;
    esac
done
case "$arch" in ""|x64|x86) ;; *) fail "--arch takes x64 or x86" ;; esac
[ -z "$recorder" ] || [ -z "$sign_cert" ] || fail "--recorder packs the recording library alone: no --sign"
if [ -n "$sign_cert" ]; then
    case "${sign_cert,,}" in
        *.p12|*.pfx) [ -z "$sign_key" ] || fail "a PKCS#12 file holds its key: no --key with it" ;;
        *) [ -n "$sign_key" ] || fail "--sign with a PEM certificate needs its private key, --key" ;;
    esac
elif [ -n "$sign_key$pass_file$ca_file" ]; then
    fail "--key, --pass-file and --ca-file go with --sign"
fi

python=/usr/bin/python3
. scripts/lib/packages.sh
vqd_install_packages python3-pefile binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
    $([ -n "$sign_cert" ] && echo osslsigncode)
helper() { "$python" "$root/scripts/package_windows.py" "$@"; }

. scripts/lib/windows-arch.sh
arch_tree() { echo "$root/$(vqd_arch_tree "$1")"; }
arch_zip_suffix() { case "$1" in x64) echo win64 ;; x86) echo win32 ;; esac; }

version=$(sed -n 's/^project(VQDTRM4_UpdateProgram VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"

# --- Which trees -------------------------------------------------------------
trees=()
if [ -n "$tree_option" ]; then
    trees=("$tree_option")
elif [ -n "$vendor_dll" ]; then
    # The tree scripts/build-windows.sh --vendor-dll makes for this DLL.
    trees=("$root/build-windows-vendor-$(helper machine "$vendor_dll")")
elif [ -n "$arch" ]; then
    trees=("$(arch_tree "$arch")")
else
    for candidate in $(vqd_built_trees); do trees+=("$root/$candidate"); done
    if [ ${#trees[@]} -eq 0 ]; then
        scripts/build-windows.sh --arch x64 --target VQDTRM4_UpdateProgram
        trees=("$(arch_tree x64)")
    fi
fi

# The commit's time, for a signature's signing time: the same for every run
# from this commit.
sign_time=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$dist"

# --- One tree ----------------------------------------------------------------
pack_tree()
{
    local tree=$1
    local exe=$tree/bin/VQDTRM4_UpdateProgram.exe
    [ -f "$exe" ] || fail "no program in $tree: build it first (scripts/build-windows.sh)"

    local tree_arch triplet suffix
    tree_arch=$(helper machine "$exe")
    [ -z "$arch" ] || [ "$arch" = "$tree_arch" ] || fail "$tree holds an $tree_arch program, not $arch"
    triplet=$(vqd_arch_triplet "$tree_arch")
    suffix=$(arch_zip_suffix "$tree_arch")

    # The tree's program must be this commit's version: its file properties
    # and the zip's name say the same.
    local exe_version
    exe_version=$(helper version "$exe")
    [ "$exe_version" = "$version" ] || fail "$exe is version '${exe_version}', the project $version: rebuild $tree"

    # A user's machine has Windows' own DLLs and the maker's library, nothing
    # of MinGW's: refuse a program that would need anything else.
    local imports dll
    imports=$("$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    for dll in $imports; do
        case "${dll,,}" in
            vqdtrm4hid.dll|kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|ole32.dll| \
            oleaut32.dll|comdlg32.dll|imm32.dll|version.dll|winmm.dll|wininet.dll|ws2_32.dll|wsock32.dll| \
            dxgi.dll|msvcrt.dll|dwmapi.dll|uxtheme.dll|d2d1.dll|dwrite.dll|d3d11.dll|comctl32.dll|crypt32.dll| \
            rpcrt4.dll|setupapi.dll|hid.dll|opengl32.dll|shcore.dll|ntdll.dll|bcrypt.dll|secur32.dll|iphlpapi.dll) ;;
            *) fail "the program needs $dll, which a user's Windows does not have" ;;
        esac
    done

    # The maker's DLL goes only into the zip of a program built against it:
    # the tree build-windows.sh --vendor-dll made, with that very DLL beside
    # its program, and a program whose imports it all exports.
    if [ -n "$vendor_dll" ]; then
        grep -q '^VQD_VENDOR_IMPORT_LIBRARY:[A-Z]*=..*' "$tree/CMakeCache.txt" 2>/dev/null \
            || fail "$tree was not built against a maker's DLL (scripts/build-windows.sh --vendor-dll $vendor_dll)"
        cmp -s "$vendor_dll" "$tree/bin/vqdtrm4hid.dll" \
            || fail "$tree was built against another DLL than $vendor_dll"
        helper fits-program "$vendor_dll" "$exe" || fail "$vendor_dll does not fit the program in $tree"
    fi

    local folder=VQDTRM4_UpdateProgram-$version-$suffix
    local out=$stage/$suffix/$folder
    mkdir -p "$out"

    # The debug information goes beside the zip; the program keeps its name
    # and checksum (.gnu_debuglink). SOURCE_DATE_EPOCH=0: objcopy would
    # otherwise write the time of this run into the PE header.
    local debug_dir=$dist/$folder-debug
    rm -rf "$debug_dir"
    mkdir -p "$debug_dir"
    local debug=$debug_dir/VQDTRM4_UpdateProgram.exe.debug
    SOURCE_DATE_EPOCH=0 "$triplet-objcopy" --only-keep-debug "$exe" "$debug"
    SOURCE_DATE_EPOCH=0 "$triplet-objcopy" --strip-all --add-gnu-debuglink="$debug" "$exe" "$out/VQDTRM4_UpdateProgram.exe"
    chmod 644 "$debug"

    if [ -n "$sign_cert" ]; then
        local signing=(-h sha256 -n "VQD-TRM4 update program" -time "$sign_time")
        case "${sign_cert,,}" in
            *.p12|*.pfx) signing+=(-pkcs12 "$sign_cert") ;;
            *) signing+=(-certs "$sign_cert" -key "$sign_key") ;;
        esac
        [ -z "$pass_file" ] || signing+=(-readpass "$pass_file")
        osslsigncode sign "${signing[@]}" -in "$out/VQDTRM4_UpdateProgram.exe" -out "$stage/signed.exe" >/dev/null \
            || fail "osslsigncode could not sign the program"
        local verifying=(-in "$stage/signed.exe")
        [ -z "$ca_file" ] || verifying+=(-CAfile "$ca_file")
        if ! osslsigncode verify "${verifying[@]}" >"$stage/verify.log" 2>&1; then
            cat "$stage/verify.log" >&2
            fail "the signed program does not verify"
        fi
        mv "$stage/signed.exe" "$out/VQDTRM4_UpdateProgram.exe"
    fi

    # Windows users open it with Notepad: CRLF line ends.
    sed 's/$/\r/' docs/windows/README.txt > "$out/README.txt"
    if [ -n "$vendor_dll" ]; then
        cp "$vendor_dll" "$out/vqdtrm4hid.dll"
    fi

    local zip=$dist/$folder.zip
    helper zip "$zip" "$out"

    # What went in, and that a DLL went in only when it was asked for.
    local listing
    listing=$("$python" -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
    if [ -z "$vendor_dll" ] && grep -qi '\.dll$' <<<"$listing"; then
        rm -f "$zip"
        fail "a DLL got into $zip"
    fi
    echo "$zip ($tree_arch$([ -n "$vendor_dll" ] && echo ", with the maker's DLL")$([ -n "$sign_cert" ] && echo ", signed")):"
    sed 's/^/  /' <<<"$listing"
    echo "  sha256 $(sha256sum "$zip" | cut -d' ' -f1)"
    echo "  debug information: $debug"
}

# --- The recording library of one tree -----------------------------------------
pack_recorder()
{
    local tree=$1
    local dll=$tree/recorder/vqdtrm4hid.dll
    [ -f "$dll" ] || fail "no recording library in $tree/recorder: build it first (scripts/build-windows.sh)"

    local tree_arch triplet suffix stdcall
    tree_arch=$(helper machine "$dll")
    [ -z "$arch" ] || [ "$arch" = "$tree_arch" ] || fail "$tree holds an $tree_arch library, not $arch"
    triplet=$(vqd_arch_triplet "$tree_arch")
    stdcall=$(sed -n 's/^VQD_HID_STDCALL:BOOL=//p' "$tree/CMakeCache.txt" 2>/dev/null)
    if [ -n "$vendor_dll" ]; then
        # The recorder built for this very DLL: its names, its convention.
        grep -q '^VQD_RECORDER_EXPORTS:[A-Z]*=..*' "$tree/CMakeCache.txt" 2>/dev/null \
            || fail "$tree was not built against a maker's DLL (scripts/build-windows.sh --vendor-dll $vendor_dll)"
        suffix=$(helper recorder-for "$vendor_dll" "$dll" "${stdcall:-OFF}") \
            || fail "the recording library in $tree does not stand in for $vendor_dll"
    elif grep -q '^VQD_RECORDER_EXPORTS:[A-Z]*=..*' "$tree/CMakeCache.txt" 2>/dev/null; then
        fail "$tree's recording library was built for a maker's DLL: name it with --vendor-dll"
    elif [ "$tree_arch" = x64 ]; then
        suffix=win64
    else
        case "${stdcall^^}" in ON|1|TRUE|YES) suffix=win32-stdcall ;; *) suffix=win32-cdecl ;; esac
    fi

    local folder=VQDTRM4_Recorder-$version-$suffix
    local out=$stage/recorder-$suffix/$folder
    mkdir -p "$out"
    SOURCE_DATE_EPOCH=0 "$triplet-objcopy" --strip-all "$dll" "$out/vqdtrm4hid.dll"
    sed 's/$/\r/' docs/windows/RECORDING.txt > "$out/RECORDING.txt"

    local zip=$dist/$folder.zip
    helper zip "$zip" "$out"
    echo "$zip ($suffix, the recording library):"
    "$python" -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip" | sed 's/^/  /'
    echo "  sha256 $(sha256sum "$zip" | cut -d' ' -f1)"
}

for tree in "${trees[@]}"; do
    if [ -n "$recorder" ]; then
        pack_recorder "$tree"
    else
        pack_tree "$tree"
    fi
done
