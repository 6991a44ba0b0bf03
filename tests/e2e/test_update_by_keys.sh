#!/usr/bin/env bash
# runs-on: linux windows
# A whole update by keys alone, as a user without a mouse: on the first
# screen Tab goes on from OK round to the language list, Return opens it,
# Down and Return pick the next language (the window's title changes), Tab
# twice reaches OK again and Space goes on; Space on Start; and Return on
# the completion screen's OK ends the program with status 0, the
# controller's flash equal to the update file.
#
# Under Wine a UI Automation client, as a screen reader uses, reads the
# window as a window named by the program's title, before and after the
# change of language.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318
LANG=C.UTF-8 e2e_start "date=20230715;dump=$E2E_TMP/flash.bin"
e2e_wait_for e2e_on_language_screen
english=$(e2e_window_title)

# uia_names_window TITLE: what UI Automation says of the window titled TITLE.
uia_names_window() {
    [ "$E2E_PLATFORM" = windows ] || return 0
    local said
    said=$(timeout 30 "$WINE_RUN" "$WINE_BIN_DIR/uia_window.exe" "$1" 2>/dev/null | tr -d '\r')
    [ "$said" = "type=50032 name=\"$1\"" ] || e2e_fail "UI Automation reads the window titled '$1' as: '$said'"
}
uia_names_window "$english"

e2e_key Tab
e2e_key Return
e2e_wait_for 10 e2e_list_open || e2e_fail "Return on the list did not open it"
e2e_wait_for 10 e2e_list_row_highlighted 0 || e2e_fail "the open list does not highlight the language in use"
# Straight to the open list, which has the keyboard now.
xdotool key Down
e2e_wait_for 10 e2e_list_row_highlighted 1 || e2e_fail "Down did not move the open list's highlight"
xdotool key Return
e2e_wait_for 10 eval '[ "$(e2e_window_title)" != "$english" ]' || e2e_fail "picking a language by keys changed nothing"
e2e_list_open && e2e_fail "the list stayed open"
e2e_on_language_screen || e2e_fail "picking a language left the first screen"
uia_names_window "$(e2e_window_title)"
echo "language picked by keys: '$(e2e_window_title)'"

e2e_key Tab
e2e_key Tab
e2e_key space
e2e_wait_for e2e_on_ready_screen || e2e_fail "Space on OK did not go on to the ready screen"
e2e_key space
e2e_wait_for e2e_on_updating_screen || e2e_fail "Space on Start did not start the update"
e2e_wait_for "$E2E_UPDATE_SECONDS" e2e_on_completion_screen || e2e_fail "the update did not complete"
e2e_key Return
e2e_expect_exit 0 5
e2e_flash_holds "$E2E_TMP/app/vqdtrm4__v102.bin" "$E2E_TMP/flash.bin" || e2e_fail "the flash differs from the update file"
echo "update by keys alone: ok"
