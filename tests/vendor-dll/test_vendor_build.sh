#!/usr/bin/env bash
# The whole road from a maker's DLL to an update, on the DLL this program is
# most likely to meet: 32-bit, __stdcall, exported under the names MSVC
# gives such functions (_HID_Write@12). The stand-in is the simulated
# controller itself, built that way here. scripts/check-vendor-dll.sh must
# name the x86 __stdcall build; scripts/build-windows.sh --vendor-dll must
# build the program against an import library made from the DLL's exports;
# and that program, with the DLL beside it, must make a whole update under
# Wine, with the flash equal to the update file; the recording library
# packed for the DLL must be named for it. A wrong convention or a
# wrong binding breaks the stack at the first call or stops the program
# from loading.
#
#   test_vendor_build.sh SOURCE_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The simulated controller as a maker's MSVC build would export it: the ten
# functions __stdcall, not marked for export in the code, named by a .def.
cxx=(i686-w64-mingw32-g++-posix -O2 -std=c++17 -DVQDTRM4HID_STDCALL -I"$src")
for source in "$src"/sim/*.cpp "$src"/recording/*.cpp; do
    case "$source" in *Linux.cpp) continue ;; esac
    building=(-DVQDTRM4HID_BUILDING)
    [ "$(basename "$source")" = HidLibrary.cpp ] && building=()
    "${cxx[@]}" "${building[@]}" -w -c "$source" -o "$work/$(basename "$source" .cpp).o"
done
mkdir -p "$work/maker"
i686-w64-mingw32-g++-posix -shared "$work"/*.o "$src/tests/vendor-dll/msvc-stdcall.def" \
    -static -static-libgcc -static-libstdc++ -o "$work/maker/vqdtrm4hid.dll"

build=$("$src/scripts/check-vendor-dll.sh" --print-build "$work/maker/vqdtrm4hid.dll")
[ "$build" = "arch=x86 convention=stdcall evidence=names" ] \
    || { echo "FAIL: the check says '$build' of an MSVC __stdcall DLL" >&2; exit 1; }

"$src/scripts/build-windows.sh" --vendor-dll "$work/maker/vqdtrm4hid.dll" > "$work/build.log" 2>&1 \
    || { tail -30 "$work/build.log" >&2; echo "FAIL: the build against the DLL failed" >&2; exit 1; }
bin=$src/build-windows-vendor-x86/bin
cmp -s "$bin/vqdtrm4hid.dll" "$work/maker/vqdtrm4hid.dll" \
    || { echo "FAIL: the maker's DLL is not beside the program built against it" >&2; exit 1; }

# The recording library of that tree, packed for whoever records with this
# DLL: it exports the DLL's own names, and its zip says so.
"$src/scripts/package-windows.sh" --recorder --vendor-dll "$work/maker/vqdtrm4hid.dll" --dist "$work/dist" \
    > "$work/package.log" 2>&1 || { cat "$work/package.log" >&2; echo "FAIL: the recorder was not packed" >&2; exit 1; }
zip=$(ls "$work"/dist/VQDTRM4_Recorder-*-win32-stdcall-msvc-names.zip 2>/dev/null) \
    || { ls "$work/dist" >&2; echo "FAIL: no recorder zip named for an MSVC __stdcall DLL" >&2; exit 1; }
echo "recorder for the DLL: $(basename "$zip")"

bash "$src/tests/e2e/test_update_by_keys.sh" "$bin"
