#!/usr/bin/env bash
# The keyboard focus rests on the button that Return is meant to trigger,
# but a button the user moved the focus to keeps it: on the first screen Tab
# takes the focus from OK to Cancel, and Return then ends the program
# without starting anything.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"

e2e_update_file vqdtrm4__v102.bin
e2e_start "date=20230715;log=$E2E_TMP/calls.log"
e2e_wait_for e2e_on_language_screen
e2e_key Tab
sleep 0.5
e2e_on_language_screen || e2e_fail "Tab left the first screen"
e2e_key Return
e2e_expect_exit 0

# Nothing but the session itself was asked of the library: the update
# never started.
grep -q '^HID_Finalize$' "$E2E_TMP/calls.log" || e2e_fail "the session was not closed"
echo "focus on Cancel: ok"
