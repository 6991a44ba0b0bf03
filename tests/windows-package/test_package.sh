#!/usr/bin/env bash
# Packs a Windows tree the way users get it (scripts/package-windows.sh) and
# checks what comes out:
#
#   - the time stamps of what the tree linked (program and DLLs);
#   - two runs give zips and debug files with the same bytes, and each zip is
#     as check_package.py expects it;
#   - signed with a certificate made here (self-signed, code-signing use):
#     the signature verifies against that certificate and against no other,
#     and two signings give the same bytes;
#   - the recording library's zip (--recorder) the same twice, with its page
#     and a stripped DLL that exports the maker's ten functions;
#   - the maker's DLL goes only into the zip of a tree built against it: not
#     the simulated one, not into a tree built against another DLL or none,
#     not a DLL of the other architecture.
#
#   tests/windows-package/test_package.sh TREE
#
# Needs the tree's program built; Debian's python3-pefile, icoutils,
# osslsigncode, openssl and the MinGW-w64 compilers.
set -euo pipefail
tree=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
python=/usr/bin/python3
check() { "$python" "$here/check_package.py" "$@"; }
package() { "$root/scripts/package-windows.sh" --tree "$tree" "$@"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fault() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# must_refuse WHY COMMAND...: the packing must fail, and leave no zip behind.
must_refuse() {
    local why=$1; shift
    local dist=$work/refused
    rm -rf "$dist"
    if "$@" --dist "$dist" >"$work/refused.log" 2>&1; then
        fault "packed although $why"
    elif compgen -G "$dist/*.zip" >/dev/null; then
        fault "left a zip behind although $why"
    else
        echo "refused, as it should: $why ($(tail -1 "$work/refused.log"))"
    fi
}

version=$(sed -n 's/^project(VQDTRM4_UpdateProgram VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
arch=$("$python" "$root/scripts/package_windows.py" machine "$tree/bin/VQDTRM4_UpdateProgram.exe")
case "$arch" in x64) suffix=win64 triplet=x86_64-w64-mingw32 other_triplet=i686-w64-mingw32 ;;
                x86) suffix=win32 triplet=i686-w64-mingw32 other_triplet=x86_64-w64-mingw32 ;; esac
name=VQDTRM4_UpdateProgram-$version-$suffix
echo "== $tree: $arch, version $version"

# --- What the tree linked ------------------------------------------------------
check stamps "$tree/bin/VQDTRM4_UpdateProgram.exe" "$tree"/bin/*.dll || fault "time stamps in $tree/bin"

# --- Packed twice ------------------------------------------------------------------
package --dist "$work/one" >/dev/null
sleep 2 # a clock that leaked into a run would differ in the second one
package --dist "$work/two" >/dev/null
cmp "$work/one/$name.zip" "$work/two/$name.zip" || fault "two runs gave different zips"
cmp "$work/one/$name-debug/VQDTRM4_UpdateProgram.exe.debug" "$work/two/$name-debug/VQDTRM4_UpdateProgram.exe.debug" \
    || fault "two runs gave different debug files"
check zip "$work/one/$name.zip" "$version" "$arch" "$work/one/$name-debug/VQDTRM4_UpdateProgram.exe.debug" \
    || fault "the zip"
echo "unsigned zip, sha256 of both runs:" $(sha256sum "$work/one/$name.zip" "$work/two/$name.zip" | cut -d' ' -f1)

# The recording library's zip (--recorder): the same bytes twice, as checked,
# named for the convention it calls on x86.
recorder_suffix=$suffix
if [ "$arch" = x86 ]; then
    grep -qx 'VQD_HID_STDCALL:BOOL=ON' "$tree/CMakeCache.txt" && recorder_suffix=win32-stdcall || recorder_suffix=win32-cdecl
fi
recorder_name=VQDTRM4_Recorder-$version-$recorder_suffix
# The stand-in for a maker's DLL below exports what this tree's program
# imports: MinGW's decorated names in a __stdcall tree.
vendor_recorder_name=$recorder_name
[ "$recorder_suffix" != win32-stdcall ] || vendor_recorder_name=$recorder_name-mingw-names
package --recorder --dist "$work/one" >/dev/null
package --recorder --dist "$work/two" >/dev/null
cmp "$work/one/$recorder_name.zip" "$work/two/$recorder_name.zip" || fault "two runs gave different recorder zips"
check recorder-zip "$work/one/$recorder_name.zip" "$version" "$arch" "$recorder_suffix" || fault "the recorder zip"
[ "$(ls "$work/one"/*.zip | wc -l)" = 2 ] || fault "--recorder packed more than its zip: $(ls "$work/one")"

# --- Signed ------------------------------------------------------------------------
make_certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=$2" \
        -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
        -addext "extendedKeyUsage=codeSigning" \
        -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
make_certificate "$work/signer" "VQD-TRM4 test signer"
make_certificate "$work/stranger" "Someone else"
package --dist "$work/signed-one" --sign "$work/signer.pem" --key "$work/signer.key" --ca-file "$work/signer.pem" >/dev/null
sleep 2
package --dist "$work/signed-two" --sign "$work/signer.pem" --key "$work/signer.key" --ca-file "$work/signer.pem" >/dev/null
cmp "$work/signed-one/$name.zip" "$work/signed-two/$name.zip" || fault "two signings gave different zips"
check zip "$work/signed-one/$name.zip" "$version" "$arch" \
    "$work/signed-one/$name-debug/VQDTRM4_UpdateProgram.exe.debug" --signed || fault "the signed zip"
mkdir "$work/signed-unpacked"
(cd "$work/signed-unpacked" && unzip -q "$work/signed-one/$name.zip")
signed_exe=$work/signed-unpacked/$name/VQDTRM4_UpdateProgram.exe
osslsigncode verify -in "$signed_exe" -CAfile "$work/signer.pem" >"$work/verify.log" 2>&1 \
    || { cat "$work/verify.log" >&2; fault "the signature does not verify against its certificate"; }
if osslsigncode verify -in "$signed_exe" -CAfile "$work/stranger.pem" >/dev/null 2>&1; then
    fault "the signature verifies against a certificate that did not make it"
fi
echo "signed zip, sha256 of both runs:" $(sha256sum "$work/signed-one/$name.zip" "$work/signed-two/$name.zip" | cut -d' ' -f1)
must_refuse "the certificate is not the one verification trusts" \
    package --sign "$work/signer.pem" --key "$work/signer.key" --ca-file "$work/stranger.pem"
must_refuse "a PEM certificate came without its key" package --sign "$work/signer.pem"

# --- The maker's DLL ---------------------------------------------------------------
# A stand-in for a maker's DLL: every name the program imports from
# vqdtrm4hid.dll (decorated ones too, as a __stdcall build imports them),
# each a function doing nothing, and nothing of the simulated controller.
make_dll() { # make_dll TRIPLET OUTPUT
    local names name index=0
    names=$("$triplet-objdump" -p "$tree/bin/VQDTRM4_UpdateProgram.exe" \
        | awk '/DLL Name:/ { ours = tolower($3) == "vqdtrm4hid.dll" } ours && /^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+_?HID_/ { print $3 }')
    [ -n "$names" ] || { fault "no HID_ imports found in the program"; return 1; }
    echo 'extern "C" {' >"$work/standin.cpp"
    echo 'EXPORTS' >"$work/standin.def"
    for name in $names; do
        echo "void standin$index() {}" >>"$work/standin.cpp"
        echo "\"$name\"=standin$index" >>"$work/standin.def"
        index=$((index + 1))
    done
    echo '}' >>"$work/standin.cpp"
    "$1-g++-posix" -shared -static -Wl,--no-insert-timestamp -o "$2" "$work/standin.cpp" "$work/standin.def"
}
mkdir -p "$work/maker" "$work/other-arch"
make_dll "$triplet" "$work/maker/vqdtrm4hid.dll"
make_dll "$other_triplet" "$work/other-arch/vqdtrm4hid.dll"

# A tree laid out as scripts/build-windows.sh --vendor-dll leaves it: the
# program, the maker's DLL beside it, the import library and the recorder's
# exports in the cache, and a recording library exporting what RECORDER
# exports (the maker's DLL's names unless said otherwise).
vendor_tree() { # vendor_tree DIR DLL [RECORDER]
    mkdir -p "$1/bin" "$1/recorder"
    cp "$tree/bin/VQDTRM4_UpdateProgram.exe" "$1/bin/"
    cp "$2" "$1/bin/vqdtrm4hid.dll"
    cp "${3:-$2}" "$1/recorder/vqdtrm4hid.dll"
    printf '%s\n' "VQD_VENDOR_IMPORT_LIBRARY:FILEPATH=$1/vendor/libvqdtrm4hid.a" \
        "VQD_RECORDER_EXPORTS:FILEPATH=$1/vendor/recorder.def" >"$1/CMakeCache.txt"
}
vendor_tree "$work/vendor-tree" "$work/maker/vqdtrm4hid.dll"
"$root/scripts/package-windows.sh" --tree "$work/vendor-tree" --vendor-dll "$work/maker/vqdtrm4hid.dll" \
    --dist "$work/vendor" >/dev/null || fault "the tree built against the maker's DLL was not packed with it"
check zip "$work/vendor/$name.zip" "$version" "$arch" "$work/vendor/$name-debug/VQDTRM4_UpdateProgram.exe.debug" \
    --vendor-dll "$work/maker/vqdtrm4hid.dll" || fault "the zip with the maker's DLL"

# Its recording library, for whoever records with that DLL: named for what
# it fits.
"$root/scripts/package-windows.sh" --recorder --tree "$work/vendor-tree" --vendor-dll "$work/maker/vqdtrm4hid.dll" \
    --dist "$work/vendor" >/dev/null || fault "the recording library built for the maker's DLL was not packed"
check recorder-zip "$work/vendor/$vendor_recorder_name.zip" "$version" "$arch" "${vendor_recorder_name#VQDTRM4_Recorder-$version-}" \
    || fault "the recorder zip for the maker's DLL"
must_refuse "the ordinary tree's recording library was not built for a maker's DLL" \
    package --recorder --vendor-dll "$work/maker/vqdtrm4hid.dll"
must_refuse "a recording library built for a maker's DLL is named with it" \
    "$root/scripts/package-windows.sh" --recorder --tree "$work/vendor-tree"
vendor_tree "$work/wrong-recorder-tree" "$work/maker/vqdtrm4hid.dll" "$work/other-arch/vqdtrm4hid.dll"
must_refuse "the recording library does not stand in for the maker's DLL" \
    "$root/scripts/package-windows.sh" --recorder --tree "$work/wrong-recorder-tree" --vendor-dll "$work/maker/vqdtrm4hid.dll"

must_refuse "the simulated controller is not the maker's DLL" package --vendor-dll "$tree/bin/vqdtrm4hid.dll"
must_refuse "this tree was built against the simulated controller" package --vendor-dll "$work/maker/vqdtrm4hid.dll"
vendor_tree "$work/simulated-tree" "$tree/bin/vqdtrm4hid.dll"
must_refuse "the DLL in a vendor tree is the simulated controller" \
    "$root/scripts/package-windows.sh" --tree "$work/simulated-tree" --vendor-dll "$tree/bin/vqdtrm4hid.dll"
must_refuse "the tree was built against another DLL" \
    "$root/scripts/package-windows.sh" --tree "$work/vendor-tree" --vendor-dll "$work/other-arch/vqdtrm4hid.dll"
vendor_tree "$work/other-arch-tree" "$work/other-arch/vqdtrm4hid.dll"
must_refuse "the DLL is of the other architecture" \
    "$root/scripts/package-windows.sh" --tree "$work/other-arch-tree" --vendor-dll "$work/other-arch/vqdtrm4hid.dll"

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "packed as it should be"
