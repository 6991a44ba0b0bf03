#!/usr/bin/env bash
# Packs the Windows build for users: dist/VQDTRM4_UpdateProgram-<version>-win64.zip
# with the program and a short text (docs/windows/README.txt) on what to put
# beside it and what each error screen means. The maker's vqdtrm4hid.dll is
# not ours to ship and the simulated one must never reach a user, so the zip
# holds no DLL at all. Builds the Windows program first when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

exe=build-windows/bin/VQDTRM4_UpdateProgram.exe
if [ ! -f "$exe" ]; then
    scripts/build-windows.sh
fi

# A user's machine has Windows' own DLLs and the maker's library, nothing
# of MinGW's: refuse a program that would need anything else.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
for dll in $imports; do
    case "${dll,,}" in
        vqdtrm4hid.dll|kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|ole32.dll| \
        oleaut32.dll|comdlg32.dll|imm32.dll|version.dll|winmm.dll|wininet.dll|ws2_32.dll|wsock32.dll| \
        dxgi.dll|msvcrt.dll|dwmapi.dll|uxtheme.dll|d2d1.dll|dwrite.dll|d3d11.dll|comctl32.dll|crypt32.dll| \
        rpcrt4.dll|setupapi.dll|hid.dll|opengl32.dll|shcore.dll|ntdll.dll|bcrypt.dll|secur32.dll|iphlpapi.dll) ;;
        *) echo "package-windows: the program needs $dll, which a user's Windows does not have" >&2; exit 1 ;;
    esac
done

version=$(sed -n 's/^project(VQDTRM4_UpdateProgram VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package-windows: no version in CMakeLists.txt" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="VQDTRM4_UpdateProgram-$version"
mkdir -p "$stage/$folder"
cp "$exe" "$stage/$folder/"
# Windows users open it with Notepad: CRLF line ends.
sed 's/$/\r/' docs/windows/README.txt > "$stage/$folder/README.txt"

mkdir -p dist
zip="$root/dist/VQDTRM4_UpdateProgram-$version-win64.zip"
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip "$folder")

# What went in, and that no DLL did.
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
if grep -qi '\.dll$' <<<"$listing"; then
    echo "package-windows: a DLL got into $zip" >&2
    exit 1
fi
echo "$zip:"
sed 's/^/  /' <<<"$listing"
