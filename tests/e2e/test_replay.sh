#!/usr/bin/env bash
# runs-on: linux windows
# long-on: linux windows
# The recordings of tests/recordings replayed through the real program in
# the simulated controller's place (VQDTRM4_SIM "replay=PATH"): the program
# must send exactly the recorded commands and end where the recorded session
# ended. A whole update (fast=1), to the completion screen, with the update
# file in the flash; the controller pulled out during the block data, with
# the recorded timing, to the recovery page, with the blocks committed before
# the removal in the flash and nothing after them; and a recording with one
# command byte changed, which the program's run must fail on: the library
# names the line on stderr and ends the program with status 3.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

recordings=$(cd "$E2E_DIR/../recordings" && pwd)
name=$(sed -n 's/^name //p' "$recordings/update-file.txt")
options=$(sed -n 's/^options //p' "$recordings/update-file.txt")
# shellcheck disable=SC2086
e2e_update_file "$name" $options
file=$E2E_TMP/app/$name
crc=$(python3 -c 'import sys, zlib; print("%08X" % zlib.crc32(open(sys.argv[1], "rb").read()))' "$file")
[ "$crc" = "$(sed -n 's/^crc32 //p' "$recordings/update-file.txt")" ] \
    || e2e_fail "$name is not the file the recordings were made with (CRC-32 $crc)"

# --- A whole update
e2e_start_update "replay=$recordings/whole-update.txt;fast=1;dump=$E2E_TMP/flash.bin"
e2e_wait_for e2e_on_completion_screen "$E2E_UPDATE_SECONDS"
e2e_key Return
e2e_expect_exit 0
e2e_flash_holds "$file" "$E2E_TMP/flash.bin" || e2e_fail "the flash differs from the update file"
! grep -q 'vqdtrm4 replay' "$E2E_TMP/program.log" || e2e_fail "$(grep 'vqdtrm4 replay' "$E2E_TMP/program.log")"
echo "whole update: ok"

# --- Pulled out in the third block, with the recorded timing (a few
# seconds; a whole update takes about forty): the first two blocks in the
# flash
rm -f "$E2E_TMP/flash.bin"
e2e_start_update "replay=$recordings/removal-in-data.txt;dump=$E2E_TMP/flash.bin"
e2e_close_on_recovery_page
e2e_expect_exit 0
{ head -c $((0x40000)) "$file"; head -c $((0x1E0000 - 0x40000)) /dev/zero | tr '\0' '\377'; } > "$E2E_TMP/expected.bin"
cmp -s "$E2E_TMP/expected.bin" "$E2E_TMP/flash.bin" || e2e_fail "the flash is not the first two blocks and nothing else"
! grep -q 'vqdtrm4 replay' "$E2E_TMP/program.log" || e2e_fail "$(grep 'vqdtrm4 replay' "$E2E_TMP/program.log")"
echo "removal during the block data: ok"

# --- The recording's prepare command asks for another length
prepare='> HID_Write 3 64 F10800001D00FF000001'
line=$(grep -n -F -m 1 -- "$prepare" "$recordings/whole-update.txt" | cut -d: -f1)
[ -n "$line" ] || e2e_fail "no prepare command in the recording"
sed "${line}s/F10800001D00FF000001\$/F10800001D00FF000002/" "$recordings/whole-update.txt" > "$E2E_TMP/changed.txt"
e2e_start_update "replay=$E2E_TMP/changed.txt;fast=1"
e2e_expect_exit 3
said=$(grep 'vqdtrm4 replay' "$E2E_TMP/program.log" | tr -d '\r')
expected="vqdtrm4 replay: diverged at line $line of $E2E_TMP/changed.txt: expected \"> HID_Write 3 64 F10800001D00FF000002\", got \"$prepare\""
[ "$said" = "$expected" ] || e2e_fail "the library said '$said', expected '$expected'"
echo "a changed command: ok"
