#!/usr/bin/env bash
# runs-on: linux
# under-sanitizers: yes
# A request to close the window that does not come from the program's own
# buttons (a window manager's "Close" or Alt+F4, here sent as the same
# WM_DELETE_WINDOW message) leaves the window open and the program where it
# was: on the first screen, on the ready screen, and in the middle of an
# update, which then runs to its end as if nothing had happened. Only the
# program's own buttons end it.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
CLOSE_REQUEST="$1/x11_close_request"
[ -x "$CLOSE_REQUEST" ] || e2e_fail "no $CLOSE_REQUEST"

# ask_to_close WHERE: sends the request (and has the X server take it before
# it returns). The program gets it before the key the test presses next, so
# the screen that key leads to, or the end of the update, shows that the
# program took the request and stayed where it was: the wait for that screen
# fails if the program ends meanwhile.
ask_to_close() {
    "$CLOSE_REQUEST" "$PROGRAM_WINDOW" || e2e_fail "could not send the close request ($1)"
}

# still_shown WHERE: after the next screen, the program runs and its window
# is on show.
still_shown() {
    kill -0 "$PROGRAM_PID" 2>/dev/null || e2e_fail "the program ended on a close request ($1)"
    xwininfo -id "$PROGRAM_WINDOW" 2>/dev/null | grep -q "Map State: IsViewable" \
        || e2e_fail "the window is no longer shown after a close request ($1)"
}

# What a window manager does at its start; then the program's window says
# that it takes close requests, so a window manager would send them.
"$CLOSE_REQUEST" --prepare || e2e_fail "could not make the close request's atoms"

e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318
calls="$E2E_TMP/calls.log"
e2e_start "date=20230715;busy=2;log=$calls"
e2e_wait_for e2e_on_language_screen
xprop -id "$PROGRAM_WINDOW" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW \
    || e2e_fail "the window does not take close requests: $(xprop -id "$PROGRAM_WINDOW" WM_PROTOCOLS)"

# Return goes on from the first screen only: the ready screen after it shows
# that the request left the first screen as it was.
ask_to_close "first screen"
e2e_key Return
e2e_wait_for e2e_on_ready_screen
still_shown "first screen"
echo "first screen: stays open"

ask_to_close "ready screen"
e2e_key Return
e2e_wait_for e2e_on_updating_screen
still_shown "ready screen"
echo "ready screen: stays open"

ask_to_close "during the update"
e2e_wait_for e2e_on_completion_screen 120
still_shown "during the update"
grep -q '^HID_Stop$' "$calls" && e2e_fail "the device session was closed before the user left"
echo "during the update: stays open, the update completed"

e2e_key Return
e2e_expect_exit 0
grep -q '^HID_Finalize$' "$calls" || e2e_fail "the session was not closed at the end"
echo "OK on the completion screen ends the program: ok"
