#!/usr/bin/env bash
# runs-on: linux
# The HID library exports exactly the ten HID_ functions of its fixed ABI,
# and the program is linked against it (not loaded by hand) and finds it
# beside itself.
set -u
bin="$1"
lib="$bin/libvqdtrm4hid.so"
program="$bin/VQDTRM4_UpdateProgram"

fail() { echo "FAIL: $*" >&2; exit 1; }

expected="HID_EnumHIDno HID_Finalize HID_GetDeviceType HID_GetFirmwareVersion HID_Initialize HID_Input HID_SetCallback HID_Start HID_Stop HID_Write"
exported=$(nm -D --defined-only "$lib" | awk '$2 == "T" && $3 ~ /^HID_/ { print $3 }' | sort | xargs)
[ "$exported" = "$expected" ] || fail "exported HID_ functions: '$exported'"

any_hid=$(nm -D --defined-only "$lib" | awk '$3 ~ /^HID_/' | wc -l)
[ "$any_hid" = 10 ] || fail "$any_hid exported HID_ symbols, expected 10"

readelf -d "$program" | grep -q 'NEEDED.*\[libvqdtrm4hid\.so\]' || fail "the program is not linked against libvqdtrm4hid.so"
readelf -d "$program" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || fail "the program does not look for its library beside itself"

# Copied elsewhere with its library, it still resolves the library beside it.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$program" "$lib" "$tmp/"
ldd "$tmp/VQDTRM4_UpdateProgram" | grep -q "libvqdtrm4hid.so => $tmp/libvqdtrm4hid.so" \
    || fail "the copied program does not find the library beside it"
echo "library ABI: ok"
