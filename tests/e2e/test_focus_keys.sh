#!/usr/bin/env bash
# runs-on: linux
# The keyboard focus rests on the button that Return is meant to trigger,
# but a button the user moved the focus to keeps it: on the first screen
# Shift+Tab takes the focus from OK back to Cancel (Tab goes on from OK
# round to the language list, in reading order), and Return then ends the
# program without starting anything.
#
# And the very first key after the start counts: Return pressed as soon as
# the first screen shows, with nothing done before it (not even giving the
# window the focus, which the program takes itself), goes on to the ready
# screen. The window system's news of the focus could come in with that key
# and take it away from OK, about one start in three, so a few starts.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"

e2e_update_file vqdtrm4__v102.bin
e2e_start "date=20230715;log=$E2E_TMP/calls.log"
e2e_wait_for e2e_on_language_screen
# focus_frame_on X: the focus frame, a grey line half a pixel thick 3 pixels
# inside the top of the button at X (Cancel 176, OK 286).
focus_frame_on() { [ "$(e2e_count_colour $(( $1 + 6 )) 117 88 1 b5b5b5)" -gt 60 ]; }
e2e_wait_for 10 focus_frame_on 286 || e2e_fail "the focus is not on OK at the start"
e2e_key shift+Tab
e2e_wait_for 10 focus_frame_on 176 || e2e_fail "Shift+Tab did not take the focus to Cancel"
focus_frame_on 286 && e2e_fail "OK still shows the focus after Shift+Tab"
e2e_on_language_screen || e2e_fail "Shift+Tab left the first screen"
e2e_key Return
e2e_expect_exit 0

# Nothing but the session itself was asked of the library: the update
# never started.
grep -q '^HID_Finalize$' "$E2E_TMP/calls.log" || e2e_fail "the session was not closed"
echo "focus on Cancel: ok"

for attempt in 1 2 3; do
    e2e_start "date=20230715"
    e2e_wait_for e2e_on_language_screen
    xdotool key Return
    e2e_wait_for 10 e2e_on_ready_screen || e2e_fail "start $attempt: the first Return did nothing"
    kill -INT "$PROGRAM_PID"
    e2e_expect_exit 0
done
echo "the first Return after the start: ok (3 starts)"
