#!/usr/bin/env bash
# runs-on: linux windows
# The program is single-instance: started while it runs, the second process
# hands over to the first (on Windows through JUCE's own hand-over), opens no
# device session, ends with status 0 without ever making a window, and the
# first window comes to the front, over the window of another program that
# the user opened over it, with the keyboard focus. The first window is centred with a 406 x 154
# client area. (Its shutdown, with the session closed in order, is
# test_system_quit's.)
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

# Every call the program makes to the library, one line each, written as it
# is made.
CALLS="$E2E_TMP/calls.log"
OPENING=(HID_Initialize "HID_SetCallback(window)" HID_Start)

# Every top-level window that is created from now on is logged.
e2e_watch_toplevels

# --- first start -------------------------------------------------------------
e2e_update_file vqdtrm4__v102.bin
e2e_start "log=$CALLS"
WIN=$PROGRAM_WINDOW
e2e_wait_for e2e_on_language_screen
# The watch saw it being created: so it would see a second program's window.
e2e_wait_for 15 grep -q "window $(e2e_hex "$WIN")," "$E2E_XEV_LOG" \
    || e2e_fail "the window watch missed the creation of the first window"

read -r W H X Y < <(e2e_client_geometry)
e2e_log "client area ${W}x${H} at +$X+$Y"
[ "$W" = 406 ] && [ "$H" = 154 ] || e2e_fail "client area is ${W}x${H}, expected 406x154"
# Centred on the 1280 x 1024 screen.
[ "$X" = $(( (1280 - 406) / 2 )) ] && [ "$Y" = $(( (1024 - 154) / 2 )) ] \
    || e2e_fail "client area at +$X+$Y is not centred on the screen"

# The session is open: the library was started and nothing has closed it.
e2e_wait_for 15 e2e_file_starts_with "$CALLS" "${OPENING[@]}" \
    || { cat "$CALLS" >&2; e2e_fail "the call log does not start with the session's opening calls"; }
[ "$(e2e_count_lines "$CALLS" HID_Stop)" = 0 ] || e2e_fail "HID_Stop was called while the program runs"

# --- cover it ------------------------------------------------------------------
e2e_cover_program
e2e_log "covered by $(e2e_hex "$COVER")"

# --- second start --------------------------------------------------------------
e2e_watch_sync 0 1 || e2e_fail "the window watch does not follow"
MARK=$(e2e_watch_mark)

e2e_launch "$E2E_TMP/second.log"
SECOND=$E2E_LAUNCHED
e2e_wait_exit "$SECOND" "$E2E_START_SECONDS" || e2e_fail "the second start did not end by itself"
[ "$E2E_STATUS" = 0 ] || { cat "$E2E_TMP/second.log" >&2; e2e_fail "the second start ended with status $E2E_STATUS"; }
kill -0 "$PROGRAM_PID" 2>/dev/null || e2e_fail "the first program ended when the second was started"
e2e_log "second start ended with status 0"

# It never made a window of its own, not even for a moment.
e2e_watch_sync 0 0 || e2e_fail "the window watch does not follow"
if e2e_watch_since "$MARK" | grep -q "^$E2E_WINDOW_MADE"; then
    e2e_watch_since "$MARK" >&2
    e2e_fail "a window was created during the second start"
fi

# Exactly one program window, the first one.
WINDOWS=$(e2e_program_windows)
[ "$(echo "$WINDOWS" | grep -c .)" = 1 ] || e2e_fail "program windows shown: $WINDOWS, expected one"
[ "$WINDOWS" = "$WIN" ] || e2e_fail "the program window is now $WINDOWS, not the first one ($WIN)"

# One session, the first program's: the second start never opened one.
[ "$(e2e_count_lines "$CALLS" HID_Initialize)" = 1 ] \
    || { cat "$CALLS" >&2; e2e_fail "HID_Initialize is in the call log $(e2e_count_lines "$CALLS" HID_Initialize) times"; }

# The hand-over reaches the first program on its own thread and is turned
# into a call on its message thread, so give it a moment.
e2e_wait_for 15 e2e_program_over_cover \
    || { xwininfo -root -children >&2; cat "$E2E_TMP/cover.log" >&2; e2e_fail "the first window did not come to the front"; }
e2e_log "first window came to the front"

# And it has the keyboard focus. (Wine without a window manager leaves the X
# focus on the covering window even so: there this is not seen.)
[ "$E2E_PLATFORM" = linux ] || exit 0
FOCUS=$(xdotool getwindowfocus 2>/dev/null || true)
[ "$(e2e_toplevel_of "${FOCUS:-0}")" = "$(e2e_toplevel_of "$WIN")" ] \
    || e2e_fail "the keyboard focus is on $(e2e_hex "${FOCUS:-0}"), not on the program's window"
e2e_log "first window has the keyboard focus"
