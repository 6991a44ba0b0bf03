#!/usr/bin/env bash
# The Windows build is single-instance through JUCE's own hand-over: started
# while it runs, the second process hands its command line to the first and
# ends without a window, and the first window comes to the front, over the
# window of another program that the user opened over it. (Without a window
# manager, Wine restacks its X windows only as far as it knows their order,
# so the order is read as Windows keeps it, by that other program.)
source "$(dirname "$0")/wine.sh"
e2e_setup "$1"
wine_need_screens

# Wine names the X window's class after the executable.
WINDOW_CLASS=vqdtrm4_updateprogram.exe

program_windows() { xdotool search --onlyvisible --class "$WINDOW_CLASS" 2>/dev/null | sort -u; }

e2e_update_file vqdtrm4__v102.bin
e2e_start ""
WIN=$PROGRAM_WINDOW
e2e_wait_for e2e_on_language_screen

# --- cover it ---------------------------------------------------------------
read -r _ _ X Y < <(e2e_geometry "$WIN")
"$WINE_RUN" "$WINE_BIN_DIR/cover_window.exe" $(( X - 100 )) $(( Y - 100 )) 700 400 \
    >"$E2E_TMP/cover.log" 2>&1 &
COVER_PID=$!
e2e_track "$COVER_PID"
COVER=$(wine_wait_window "$COVER_PID" cover_window.exe 60) || e2e_fail "the covering window did not appear"
# As a user brings it to the front: a click on it, away from the program's
# window.
cover_on_top() { [ "$(tail -n 1 "$E2E_TMP/cover.log")" = "above: " ]; }
for _ in 1 2 3; do
    xdotool mousemove --window "$COVER" 20 20 click 1
    e2e_wait_for 10 cover_on_top && sleep 1 && cover_on_top && break
done
cover_on_top || { cat "$E2E_TMP/cover.log" >&2; e2e_fail "the covering window did not come on top"; }

# --- second start -----------------------------------------------------------
"$WINE_RUN" "$E2E_TMP/app/VQDTRM4_UpdateProgram.exe" >"$E2E_TMP/second.log" 2>&1 &
SECOND=$!
e2e_track "$SECOND"
e2e_wait_exit "$SECOND" 60 || e2e_fail "the second start did not end by itself"
[ "$E2E_STATUS" = 0 ] || { cat "$E2E_TMP/second.log" >&2; e2e_fail "the second start ended with status $E2E_STATUS"; }
kill -0 "$PROGRAM_PID" 2>/dev/null || e2e_fail "the first program ended when the second was started"

WINDOWS=$(program_windows)
[ "$(echo "$WINDOWS" | grep -c .)" = 1 ] || e2e_fail "program windows shown: $WINDOWS, expected one"
[ "$WINDOWS" = "$WIN" ] || e2e_fail "the program window is now $WINDOWS, not the first one ($WIN)"

e2e_wait_for 15 grep -qx "above: Updater Program" "$E2E_TMP/cover.log" \
    || { cat "$E2E_TMP/cover.log" >&2; e2e_fail "the first window did not come to the front"; }
echo "second start: one window, brought to the front: ok"
