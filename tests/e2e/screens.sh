# Shell helpers for driving the real program against the simulated
# controller, as a user does: its window, its screens as a user sees them,
# keys and clicks. Sourced by the test_*.sh scripts (and by the screenshot
# scripts and the benchmarks).
#
# Built on lib.sh: its X server, its cleanup of every process started here
# and its isolation from other runs of the program on this machine.
#
# e2e_setup BIN_DIR takes the driver of the build it finds there:
# drivers/x11.sh runs the Linux build natively, drivers/wine.sh the Windows
# build under Wine, both on an X server of the test's own. Each driver
# defines the same names (see drivers/x11.sh): how the program is copied,
# started and found, its update files made, another program's window put over
# it, and the driver's own time limits, E2E_EXIT_SECONDS and
# E2E_UPDATE_SECONDS. What follows here is the same for both.
#
# Screens are told apart by what they show, read from screenshots of the
# window: the language list's white box, the progress bar's pink trough,
# the grey where a button is hidden, the warning image of the error screens.

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$E2E_DIR/lib.sh"
. "$E2E_DIR/../../scripts/lib/packages.sh"

# The sourcing script's own arguments (a file sourced without arguments sees
# the script's), for running it again in namespaces of its own.
E2E_SCRIPT_ARGS=("$@")

PROGRAM_PID=""
PROGRAM_WINDOW=""
# The client area's offset in the program's X window: Wine draws the frame
# and title bar inside it.
E2E_FRAME_X=0
E2E_FRAME_Y=0

# e2e_setup BIN_DIR: a temporary folder with the program of BIN_DIR and its
# library, and an X server of our own.
e2e_setup() {
    if [ -f "$1/VQDTRM4_UpdateProgram.exe" ]; then
        . "$E2E_DIR/drivers/wine.sh"
    else
        . "$E2E_DIR/drivers/x11.sh"
    fi
    e2e_driver_setup "$1"
    [ -n "$E2E_TMP" ] || e2e_fail "the driver made no temporary folder"
}

# On failure: a screenshot of the window and the end of the program's output.
# import waits for ever on a window that is gone, so only a window that
# still exists is taken, and within a bound.
e2e_failure_evidence() {
    if [ -n "$PROGRAM_WINDOW" ] && [ -n "$E2E_TMP" ] && xwininfo -id "$PROGRAM_WINDOW" >/dev/null 2>&1; then
        timeout 15 import -window "$PROGRAM_WINDOW" "$E2E_TMP/failure.png" 2>/dev/null \
            && echo "screenshot: $E2E_TMP/failure.png" >&2
    fi
    if [ -n "$E2E_TMP" ] && [ -s "$E2E_TMP/program.log" ]; then
        echo "the program's output ends with:" >&2
        tail -n 20 "$E2E_TMP/program.log" >&2
    fi
}

# e2e_start [SCENARIO]: starts the program against the simulated controller
# (VQDTRM4_SIM, kept in E2E_SCENARIO for e2e_launch) and waits for its
# window.
e2e_start() {
    E2E_SCENARIO=${1:-}
    e2e_launch "$E2E_TMP/program.log"
    PROGRAM_PID=$E2E_LAUNCHED
    PROGRAM_WINDOW=""
    PROGRAM_WINDOW=$(e2e_wait_program_window "$PROGRAM_PID") || PROGRAM_WINDOW=""
    [ -n "$PROGRAM_WINDOW" ] || e2e_fail "the program showed no window"
    e2e_window_shown
}

e2e_x_window_size() {
    xwininfo -id "$PROGRAM_WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'
}

# The client area's size, WIDTHxHEIGHT.
e2e_window_size() {
    local w h
    read -r w h < <(e2e_x_window_size)
    echo "$(( w - 2 * E2E_FRAME_X ))x$(( h - E2E_FRAME_Y - E2E_FRAME_X ))"
}

# "WIDTH HEIGHT X Y" of the client area, X and Y on the screen.
e2e_client_geometry() {
    local w h x y
    read -r w h x y < <(e2e_geometry "$PROGRAM_WINDOW")
    echo "$(( w - 2 * E2E_FRAME_X )) $(( h - E2E_FRAME_Y - E2E_FRAME_X )) $(( x + E2E_FRAME_X )) $(( y + E2E_FRAME_Y ))"
}

e2e_window_title() {
    xdotool getwindowname "$PROGRAM_WINDOW"
}

# Reads an area of the client area (X Y WIDTH HEIGHT) as ImageMagick's text
# format, one "x,y: (r,g,b) #RRGGBB ..." line a pixel. The reads of the
# window are bounded: import waits for ever on a window that has gone.
e2e_read_pixels() {
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "${3}x${4}+$(( $1 + E2E_FRAME_X ))+$(( $2 + E2E_FRAME_Y ))" \
        +repage -depth 8 txt:- 2>/dev/null
}

# How many pixels of a client area's part have a colour close to RRGGBB.
e2e_count_colour() {
    local colour="$5"
    local r=$((16#${colour:0:2})) g=$((16#${colour:2:2})) b=$((16#${colour:4:2}))
    e2e_read_pixels "$1" "$2" "$3" "$4" \
        | awk -v r="$r" -v g="$g" -v b="$b" '
              NR > 1 { t = $2; gsub(/[()]/, "", t); split(t, c, ",");
                       if ((c[1]-r)^2 + (c[2]-g)^2 + (c[3]-b)^2 < 1200) n++ }
              END { print n + 0 }'
}

# The screens, as a user tells them apart.
e2e_on_language_screen()   { [ "$(e2e_count_colour 40 78 200 12 ffffff)" -gt 1500 ]; }
e2e_on_updating_screen()   { [ "$(e2e_count_colour 40 78 300 12 fa32c8)" -gt 100 ] || [ "$(e2e_count_colour 40 78 300 12 080808)" -gt 100 ]; }
e2e_left_button_hidden()   { [ "$(e2e_count_colour 176 114 100 20 eaeaea)" -gt 1950 ]; }
e2e_right_button_shown()   { [ "$(e2e_count_colour 286 114 100 20 eaeaea)" -lt 1900 ]; }
# The ready screen with its versions and Start armed: its caption is dark
# once the screen has been on show for a moment, grey before (it takes no
# click then). Between OK and the ready screen the page has no text and
# still shows OK and Cancel, which must not pass for it.
e2e_on_ready_screen()      { ! e2e_on_language_screen && ! e2e_on_updating_screen && ! e2e_left_button_hidden && e2e_page_has_text && e2e_right_caption_dark; }
e2e_page_has_text()        { [ "$(e2e_count_colour 20 20 300 60 000000)" -gt 100 ]; }
e2e_right_caption_dark()   { [ "$(e2e_count_colour 286 114 100 20 101010)" -gt 15 ]; }
e2e_on_completion_screen() { ! e2e_on_updating_screen && e2e_left_button_hidden && e2e_right_button_shown; }
# The progress bar's dark fill has passed more than N columns from x = 40.
e2e_progress_beyond()      { [ "$(e2e_count_colour 40 84 300 1 656565)" -gt "$1" ]; }
e2e_shows_warning()        { [ "$(e2e_count_colour 20 15 64 64 ffd400)" -gt 500 ]; }
# The language list is open: its items show in a window of their own.
e2e_list_open()            { [ "$(e2e_windows_of "$PROGRAM_PID" | wc -l)" -ge 2 ]; }
# e2e_list_row_highlighted N: the open list shows its row N (0 the first, 18
# pixels each below a 2-pixel edge) highlighted, dark blue behind light text.
# The list is the program's largest other window: under Wine its shadow
# comes as four thin windows of their own.
e2e_list_row_highlighted() {
    local popup window
    popup=$(for window in $(e2e_windows_of "$PROGRAM_PID" | grep -vx "$PROGRAM_WINDOW"); do
                xwininfo -id "$window" 2>/dev/null | awk -v id="$window" \
                    '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w * h, id }'
            done | sort -n | tail -1 | cut -d' ' -f2)
    [ -n "$popup" ] || return 1
    [ "$(PROGRAM_WINDOW=$popup E2E_FRAME_X=0 E2E_FRAME_Y=0 e2e_count_colour 100 $(( 6 + 18 * $1 )) 200 10 000040)" -gt 1500 ]
}

# e2e_wait_for CHECK [SECONDS]: waits for a screen check; the test fails
# when it does not come or the program ends meanwhile. lib.sh's form,
# e2e_wait_for SECONDS COMMAND..., which only returns 1, works as well.
e2e_wait_for() {
    if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
        e2e_poll "$@"
        return
    fi
    local check="$1" seconds="${2:-20}"
    local tries=$((seconds * 5))
    for _ in $(seq 1 "$tries"); do
        "$check" && return 0
        kill -0 "$PROGRAM_PID" 2>/dev/null || e2e_fail "the program ended while waiting for $check"
        sleep 0.2
    done
    e2e_fail "timed out waiting for $check"
}

# A real key press (XTEST) into the program window. There is no window
# manager, so the focus is given directly, with the pointer resting over the
# window's text as a user's would.
e2e_key() {
    xdotool mousemove --window "$PROGRAM_WINDOW" "$(( 60 + E2E_FRAME_X ))" "$(( 40 + E2E_FRAME_Y ))"
    xdotool windowfocus --sync "$PROGRAM_WINDOW" 2>/dev/null
    sleep 0.2
    xdotool key "$1"
}

# e2e_click X Y: in client-area coordinates.
e2e_click() {
    xdotool mousemove --window "$PROGRAM_WINDOW" "$(( $1 + E2E_FRAME_X ))" "$(( $2 + E2E_FRAME_Y ))" click 1
}

# e2e_expect_exit STATUS [SECONDS]: waits (SECONDS, the driver's
# E2E_EXIT_SECONDS by default, is a guard only) for the program to end and
# checks its exit status.
e2e_expect_exit() {
    local expected="$1" seconds="${2:-$E2E_EXIT_SECONDS}"
    e2e_wait_exit "$PROGRAM_PID" "$seconds" || e2e_fail "the program did not end"
    PROGRAM_PID=""
    [ "$E2E_STATUS" = "$expected" ] || e2e_fail "exit status $E2E_STATUS, expected $expected"
}

# e2e_start_update [SCENARIO]: starts the program (e2e_start) and takes it
# by the Return key through the language screen and the ready screen into
# the update.
e2e_start_update() {
    e2e_start "${1:-}"
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    e2e_wait_for e2e_on_ready_screen
    e2e_key Return
}

# e2e_close_on_recovery_page [SECONDS]: waits (SECONDS, the driver's
# E2E_UPDATE_SECONDS by default) for the recovery page, its warning and then
# its 800x300 client area, and presses its Close.
e2e_close_on_recovery_page() {
    e2e_wait_for e2e_shows_warning "${1:-$E2E_UPDATE_SECONDS}"
    e2e_wait_for 5 eval '[ "$(e2e_window_size)" = 800x300 ]' \
        || e2e_fail "not the recovery page: the client area is $(e2e_window_size), expected 800x300"
    e2e_click 730 270 # Close, at (680, 260, 100, 20)
}

# The client area alone, to a picture file.
e2e_screenshot() {
    local size
    size=$(e2e_window_size)
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "${size}+${E2E_FRAME_X}+${E2E_FRAME_Y}" +repage "$1" \
        || e2e_fail "cannot take a screenshot"
}

# e2e_flash_holds FILE DUMP: true when the flash the simulated controller
# wrote at HID_Finalize (its "dump=" file) holds the update file FILE: its
# first 0x1E0000 bytes, the three images.
e2e_flash_holds() {
    head -c $((0x1E0000)) "$1" > "$E2E_TMP/expected_flash.bin"
    cmp -s "$E2E_TMP/expected_flash.bin" "$2"
}
