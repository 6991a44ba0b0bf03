#!/usr/bin/env bash
# runs-on: linux windows
# The error screens a user can meet, each closed with its only button: the
# not-connected screen, a file error screen, and the recovery screen, which
# makes the client area 800 x 300: once when the controller refuses, once
# when it is pulled out during the block data. The focus is on Close, so
# a keyboard user leaves each with Space or Return; the refused recovery is
# closed with the mouse.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

# --- no controller: OK gives the not-connected screen
e2e_update_file vqdtrm4__v102.bin
e2e_start "absent=1"
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_shows_warning
[ "$(e2e_window_size)" = "406x154" ] || e2e_fail "not-connected client area is $(e2e_window_size)"
e2e_left_button_hidden || e2e_fail "the not-connected screen shows two buttons"
e2e_key space
e2e_expect_exit 0
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
e2e_expect_exit 0
echo "file error: ok"

# --- the recovery screen: refused at the first status request, before the
# ready screen; pulled out during the block data, after Start
rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
e2e_update_file vqdtrm4__v102.bin
for fault in status:1:refuse:1 data:40:remove; do
    e2e_start "fault=$fault"
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    if [ "$fault" = data:40:remove ]; then
        e2e_wait_for e2e_on_ready_screen
        e2e_key Return
        e2e_wait_for e2e_shows_warning "$E2E_UPDATE_SECONDS"
        e2e_wait_for 5 eval '[ "$(e2e_window_size)" = 800x300 ]' || e2e_fail "not the recovery page: $(e2e_window_size)"
        e2e_key Return
    else
        e2e_close_on_recovery_page
    fi
    e2e_expect_exit 0
    echo "recovery after $fault: ok"
done
