#!/usr/bin/env bash
# The program is single-instance: started while it runs, the second process
# hands over to the first and ends without a window, and the first window
# comes to the front. The first window is centred with a 406 x 154 client
# area, and an interrupt from the terminal (SIGINT) ends the program through
# its normal shutdown, which closes the device session in order: the
# simulated controller's call log starts with the session's opening calls and
# ends with its closing ones.
#
# Usage: test_single_instance.sh BIN_DIR   (the build's bin folder)

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
e2e_isolate "$@"

BIN_DIR=${1:-}
[ -n "$BIN_DIR" ] || e2e_fail "usage: $0 BIN_DIR"
PROGRAM="$BIN_DIR/VQDTRM4_UpdateProgram"
[ -x "$PROGRAM" ] || e2e_fail "no program at $PROGRAM"
APP_NAME=VQDTRM4UpdateProgram
WINDOW_CLASS=VQDTRM4UpdateProgram

e2e_need Xvfb xdotool xwininfo xprop xmessage awk stat

# Without namespaces (see e2e_isolate) JUCE's single-instance lock is one for
# the whole machine. If another run of the program holds it, this one would
# only test the hand-over to that run: wait for it to end, within reason.
if ! e2e_wait_for 180 test -z "$(e2e_instance_lock_holder "$APP_NAME")"; then
    e2e_fail "another VQDTRM4_UpdateProgram (pid $(e2e_instance_lock_holder "$APP_NAME")) keeps the single-instance lock"
fi

e2e_tmpdir
e2e_start_xvfb 1280x1024x24

# The simulated controller writes its flash at HID_Finalize: the dump is the
# sign that the device session was closed when the program ended.
DUMP="$E2E_TMP/flash.bin"
# Every call the program makes to the library, one line each, written as it
# is made.
CALLS="$E2E_TMP/calls.log"
export VQDTRM4_SIM="dump=$DUMP;log=$CALLS"

# Every top-level window that is created from now on is logged.
e2e_watch_toplevels

# --- first start -------------------------------------------------------------
"$PROGRAM" >"$E2E_TMP/first.log" 2>&1 &
FIRST=$!
e2e_track "$FIRST"

WIN=$(e2e_wait_window_of "$FIRST" 30) \
    || { cat "$E2E_TMP/first.log" >&2; e2e_fail "the first start showed no window"; }
e2e_log "first window $(e2e_hex "$WIN") of pid $FIRST"

# The watch saw it being created: so it would see a second program's window.
e2e_wait_for 15 grep -q "window $(e2e_hex "$WIN")," "$E2E_XEV_LOG" \
    || e2e_fail "the window watch missed the creation of the first window"

CLASS=$(xprop -id "$WIN" WM_CLASS 2>/dev/null || true)
case "$CLASS" in
    *\"$WINDOW_CLASS\"*) ;;
    *) e2e_fail "the window's class is '$CLASS', expected $WINDOW_CLASS" ;;
esac

read -r W H X Y < <(e2e_geometry "$WIN")
e2e_log "client area ${W}x${H} at +$X+$Y"
[ "$W" = 406 ] && [ "$H" = 154 ] || e2e_fail "client area is ${W}x${H}, expected 406x154"
# Centred on the 1280 x 1024 screen.
[ "$X" = $(( (1280 - 406) / 2 )) ] && [ "$Y" = $(( (1024 - 154) / 2 )) ] \
    || e2e_fail "window at +$X+$Y is not centred on the screen"

# The session is open: the library was started and nothing has closed it.
e2e_wait_for 15 e2e_file_starts_with "$CALLS" HID_Initialize "HID_SetCallback(window)" HID_Start \
    || { cat "$CALLS" >&2; e2e_fail "the call log does not start with the session's opening calls"; }
[ "$(e2e_count_lines "$CALLS" HID_Stop)" = 0 ] || e2e_fail "HID_Stop was called while the program runs"

# --- cover it --------------------------------------------------------------
# A window of another client over the whole program window.
xmessage -name vqd_cover -geometry 700x400+$(( X - 100 ))+$(( Y - 100 )) "covering window" \
    >"$E2E_TMP/cover.log" 2>&1 &
COVER_PID=$!
e2e_track "$COVER_PID"
COVER=$(e2e_wait_window_class Xmessage 30) || e2e_fail "the covering window did not appear"

# Without this the raise below could not be seen.
e2e_wait_for 10 e2e_is_above "$COVER" "$WIN" \
    || { xwininfo -root -children >&2; e2e_fail "the covering window is not over the program's window"; }
e2e_log "covered by $(e2e_hex "$COVER")"

# --- second start ------------------------------------------------------------
e2e_watch_sync "$COVER" $(( X - 100 )) $(( Y - 101 )) || e2e_fail "the window watch does not follow"
MARK=$(e2e_watch_mark)

"$PROGRAM" >"$E2E_TMP/second.log" 2>&1 &
SECOND=$!
e2e_track "$SECOND"

e2e_wait_exit "$SECOND" 30 \
    || e2e_fail "the second start did not end by itself"
[ "$E2E_STATUS" = 0 ] \
    || { cat "$E2E_TMP/second.log" >&2; e2e_fail "the second start ended with status $E2E_STATUS"; }
e2e_log "second start ended with status 0"

kill -0 "$FIRST" 2>/dev/null || e2e_fail "the first program ended when the second was started"

# It never made a window of its own, not even for a moment.
e2e_watch_sync "$COVER" $(( X - 100 )) $(( Y - 100 )) || e2e_fail "the window watch does not follow"
if e2e_watch_since "$MARK" | grep -q CreateNotify; then
    e2e_watch_since "$MARK" >&2
    e2e_fail "a window was created during the second start"
fi

# Exactly one program window, the first one.
WINDOWS=$(xdotool search --onlyvisible --class "$WINDOW_CLASS" 2>/dev/null | sort -u)
COUNT=$(echo "$WINDOWS" | grep -c . || true)
[ "$COUNT" = 1 ] || e2e_fail "$COUNT program windows are shown, expected one: $WINDOWS"
[ "$WINDOWS" = "$WIN" ] || e2e_fail "the program window is now $WINDOWS, not the first one ($WIN)"

# The hand-over reaches the first program on its own thread and is turned
# into a call on its message thread, so give it a moment.
e2e_wait_for 15 e2e_is_above "$WIN" "$COVER" \
    || { xwininfo -root -children >&2; e2e_fail "the first window was not raised above the covering window"; }
e2e_log "first window raised above the covering window"

FOCUS=$(xdotool getwindowfocus 2>/dev/null || true)
[ "$(e2e_toplevel_of "${FOCUS:-0}")" = "$(e2e_toplevel_of "$WIN")" ] \
    || e2e_fail "the keyboard focus is on $(e2e_hex "${FOCUS:-0}"), not on the program's window"
e2e_log "first window has the keyboard focus"

# --- interrupt -------------------------------------------------------------
[ ! -e "$DUMP" ] || e2e_fail "the flash dump exists before the program ended"
kill -INT "$FIRST"
e2e_wait_exit "$FIRST" 30 || e2e_fail "the program did not end after SIGINT"
# 130 would be the signal's default action; the flash dump below tells
# whether the program still went through its shutdown.
case "$E2E_STATUS" in
    0|130) e2e_log "ended after SIGINT with status $E2E_STATUS" ;;
    *) cat "$E2E_TMP/first.log" >&2; e2e_fail "the program ended with status $E2E_STATUS after SIGINT (crash?)" ;;
esac

# Through the normal shutdown: window deleted, device session closed.
[ -s "$DUMP" ] || { cat "$E2E_TMP/first.log" >&2; e2e_fail "no flash dump: the device session was not closed (HID_Finalize not called)"; }
[ "$(stat -c %s "$DUMP")" = $(( 0x1E0000 )) ] || e2e_fail "the flash dump has $(stat -c %s "$DUMP") bytes"
# In order: the library's thread ends, the window is taken back, then the
# library is finalised; and nothing after that.
e2e_file_starts_with "$CALLS" HID_Initialize "HID_SetCallback(window)" HID_Start \
    || { cat "$CALLS" >&2; e2e_fail "the call log does not start with HID_Initialize, HID_SetCallback(window), HID_Start"; }
e2e_file_ends_with "$CALLS" HID_Stop "HID_SetCallback(null)" HID_Finalize \
    || { cat "$CALLS" >&2; e2e_fail "the call log does not end with HID_Stop, HID_SetCallback(null), HID_Finalize"; }
# One session, the first program's: the second start never opened one.
for call in HID_Initialize HID_Start HID_Stop HID_Finalize; do
    [ "$(e2e_count_lines "$CALLS" "$call")" = 1 ] \
        || { cat "$CALLS" >&2; e2e_fail "$call is in the call log $(e2e_count_lines "$CALLS" "$call") times, expected once"; }
done
e2e_log "device session opened and closed in order: $(paste -sd ' ' "$CALLS")"

REMAINING=$(xdotool search --class "$WINDOW_CLASS" 2>/dev/null | grep -c . || true)
[ "$REMAINING" = 0 ] || e2e_fail "$REMAINING program windows remain after the program ended"
[ -z "$(e2e_instance_lock_holder "$APP_NAME")" ] || e2e_fail "the single-instance lock is still held"

e2e_log "PASS"
exit 0
