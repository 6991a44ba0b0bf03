#!/usr/bin/env bash
# Makes the recordings of tests/recordings/ anew: the real program on Xvfb,
# driven by keys and clicks, with the recording library (recorder/) as its
# HID library and the simulated controller behind it in the maker's place
# (libvqdtrm4hid_maker.so), as a user with a real controller records on
# Windows (docs/windows/RECORDING.txt). Each recording is then compacted with
# vqd_recording.
#
#   tests/recordings/make-fixtures.sh BUILD_DIR     (such as build, after scripts/build.sh)
#
# whole-update.txt      a whole update, to the completion screen
# removal-in-data.txt   the controller pulled out at the 5000th data command
#                       (in the third block), to the recovery page
# Both with the update file that update-file.txt names. The controller
# answers at USB pace (framed=1), at the first 1 ms frame after each command,
# as a real one does: each answer then comes after its write has returned,
# and the block data folds into a few runs a block.
set -u
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
E2E_ISOLATE=1
source "$here/../e2e/screens.sh"
e2e_setup "$build/bin"

app=$E2E_TMP/app
mv "$app/libvqdtrm4hid.so" "$app/libvqdtrm4hid_maker.so"
cp "$build/recorder/libvqdtrm4hid.so" "$app/libvqdtrm4hid.so" || e2e_fail "no recording library in $build/recorder"

# The update file, as update-file.txt says.
options=$(sed -n 's/^options //p' "$here/update-file.txt")
name=$(sed -n 's/^name //p' "$here/update-file.txt")
# shellcheck disable=SC2086
e2e_update_file "$name" $options

keep() {
    local found=("$app"/vqdtrm4-recording-*.txt)
    [ ${#found[@]} = 1 ] && [ -f "${found[0]}" ] || e2e_fail "not one recording beside the program"
    "$build/bin/vqd_recording" compact "${found[0]}" "$here/$1" || e2e_fail "cannot compact the recording"
    rm -f "${found[0]}"
}

e2e_start "date=20230715;framed=1"
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_on_ready_screen
e2e_key Return
e2e_wait_for e2e_on_completion_screen "$E2E_UPDATE_SECONDS"
e2e_key Return
e2e_expect_exit 0
keep whole-update.txt

e2e_start "date=20230715;framed=1;fault=data:5000:remove"
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_on_ready_screen
e2e_key Return
e2e_wait_for e2e_shows_warning "$E2E_UPDATE_SECONDS"
e2e_wait_for 5 eval '[ "$(e2e_window_size)" = 800x300 ]' || e2e_fail "not the recovery page"
e2e_click 730 270    # Close
e2e_expect_exit 0
keep removal-in-data.txt
