#!/usr/bin/env bash
# The error screens of the Windows build under Wine, each closed with its
# only button: the not-connected screen, a file error screen, and the
# recovery screen after the controller was pulled out during the block data,
# which makes the client area 800 x 300.
source "$(dirname "$0")/wine.sh"
e2e_setup "$1"
wine_need_screens

# --- no controller: OK gives the not-connected screen
e2e_update_file vqdtrm4__v102.bin
e2e_start "absent=1"
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_shows_warning
[ "$(e2e_window_size)" = "406x154" ] || e2e_fail "not-connected client area is $(e2e_window_size)"
e2e_left_button_hidden || e2e_fail "the not-connected screen shows two buttons"
e2e_click 336 124    # Close
e2e_expect_exit 0 30
echo "not connected: ok"

# --- a damaged update file: the file error screen, closed with Return
rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
e2e_update_file vqdtrm4__v102.bin --defect crc
e2e_start ""
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_shows_warning
[ "$(e2e_window_size)" = "406x154" ] || e2e_fail "file error client area is $(e2e_window_size)"
e2e_key Return
e2e_expect_exit 0 30
echo "file error: ok"

# --- pulled out during the block data: the recovery screen
rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
e2e_update_file vqdtrm4__v102.bin
e2e_start "fault=data:40:remove"
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_on_ready_screen
e2e_key Return
e2e_wait_for e2e_shows_warning 60
for _ in $(seq 1 50); do [ "$(e2e_window_size)" = "800x300" ] && break; sleep 0.1; done
[ "$(e2e_window_size)" = "800x300" ] || e2e_fail "recovery client area is $(e2e_window_size), expected 800x300"
e2e_click 730 270    # Close, at (680, 260, 100, 20)
e2e_expect_exit 0 30
echo "recovery after a removal: ok"
