#!/usr/bin/env bash
# runs-on: linux windows
# A whole update as a user makes it with the mouse, against the simulated
# controller: the language screen, OK, the ready screen, Start, the updating
# screen, the completion screen and OK, which ends the program with status 0
# and the controller's flash equal to the update file. (The same by keys
# alone is test_update_by_keys.) Then a double-click on OK, which must leave
# the user on the ready screen.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318

# --- by mouse
e2e_start "date=20230715;dump=$E2E_TMP/flash.bin"
[ "$(e2e_window_size)" = "406x154" ] || e2e_fail "client area is $(e2e_window_size), expected 406x154"
[ "$(e2e_window_title)" = "Updater Program" ] || e2e_fail "title is $(e2e_window_title)"
e2e_wait_for e2e_on_language_screen
e2e_click 336 124    # OK
e2e_wait_for e2e_on_ready_screen
e2e_click 336 124    # Start
e2e_wait_for e2e_on_updating_screen
e2e_wait_for e2e_on_completion_screen "$E2E_UPDATE_SECONDS"
e2e_click 336 124    # OK
e2e_expect_exit 0
e2e_flash_holds "$E2E_TMP/app/vqdtrm4__v102.bin" "$E2E_TMP/flash.bin" || e2e_fail "the flash differs from the update file"
echo "mouse: ok"

# --- a double-click on OK: its second click lands where Start appears a few
# milliseconds later, and must not start an update whose versions the user
# has not seen. The ready screen stays, Close ends the program, the flash is
# as it was.
rm -f "$E2E_TMP/flash.bin"
e2e_start "date=20230715;dump=$E2E_TMP/flash.bin"
e2e_wait_for e2e_on_language_screen
xdotool mousemove --window "$PROGRAM_WINDOW" "$(( 336 + E2E_FRAME_X ))" "$(( 124 + E2E_FRAME_Y ))" click --repeat 2 --delay 150 1
e2e_wait_for e2e_on_ready_screen
e2e_click 226 124    # Close
e2e_expect_exit 0
[ -f "$E2E_TMP/flash.bin" ] || e2e_fail "the simulated controller wrote no flash file"
e2e_flash_holds "$E2E_TMP/app/vqdtrm4__v102.bin" "$E2E_TMP/flash.bin" && e2e_fail "a double-click on OK started the update"
echo "double-click: ok"
