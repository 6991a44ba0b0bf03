# Shell helpers for driving the real program under Xvfb: a private copy of
# the program beside its library and update file, its window, its screens as
# a user sees them, keys and clicks. Sourced by the test_*.sh scripts.
#
# Screens are told apart by what they show, read from screenshots of the
# window: the language list's white box, the progress bar's pink trough,
# the grey where a button is hidden, the warning image of the error screens.

set -u

E2E_TMP=""
XVFB_PID=""
PROGRAM_PID=""
PROGRAM_WINDOW=""

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "$PROGRAM_WINDOW" ] && [ -n "${E2E_TMP}" ]; then
        import -window "$PROGRAM_WINDOW" "$E2E_TMP/failure.png" 2>/dev/null && echo "screenshot: $E2E_TMP/failure.png" >&2
    fi
    exit 1
}

e2e_cleanup() {
    [ -n "$PROGRAM_PID" ] && kill -9 "$PROGRAM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    if [ -n "$E2E_TMP" ] && [ "${E2E_KEEP:-0}" != 1 ]; then rm -rf "$E2E_TMP"; fi
}

# e2e_setup BIN_DIR: a temporary folder with the program and its library,
# and an X server of our own.
e2e_setup() {
    local bin="$1"
    E2E_TMP=$(mktemp -d /tmp/vqdtrm4_e2e.XXXXXX)
    trap e2e_cleanup EXIT
    mkdir -p "$E2E_TMP/app"
    cp "$bin/VQDTRM4_UpdateProgram" "$bin/libvqdtrm4hid.so" "$E2E_TMP/app/"
    MAKE_UPDATE_FILE="$bin/make_update_file"

    local display
    for display in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
        Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$display" ] && break
            sleep 0.1
        done
        if kill -0 "$XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$display" ]; then
            export DISPLAY=":$display"
            return 0
        fi
    done
    e2e_fail "no X server could be started"
}

# e2e_update_file NAME [make_update_file options]: into the program's folder.
e2e_update_file() {
    local name="$1"; shift
    "$MAKE_UPDATE_FILE" "$@" "$E2E_TMP/app/$name" || e2e_fail "cannot make $name"
}

# e2e_start [SCENARIO]: starts the program against the simulated controller
# and waits for its window.
e2e_start() {
    VQDTRM4_SIM="${1:-}" "$E2E_TMP/app/VQDTRM4_UpdateProgram" >"$E2E_TMP/program.log" 2>&1 &
    PROGRAM_PID=$!
    PROGRAM_WINDOW=""
    for _ in $(seq 1 100); do
        PROGRAM_WINDOW=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | head -n 1)
        [ -n "$PROGRAM_WINDOW" ] && break
        sleep 0.1
    done
    [ -n "$PROGRAM_WINDOW" ] || e2e_fail "the program showed no window"
    sleep 0.3
}

e2e_window_size() {
    xwininfo -id "$PROGRAM_WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

e2e_window_title() {
    xdotool getwindowname "$PROGRAM_WINDOW"
}

# The colour of one pixel of the window as RRGGBB.
e2e_pixel() {
    import -window "$PROGRAM_WINDOW" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null \
        | awk 'NR == 2 { print substr($3, 2, 6) }'
}

# How many pixels of a window area have a colour close to RRGGBB.
e2e_count_colour() {
    local x="$1" y="$2" w="$3" h="$4" colour="$5"
    local r=$((16#${colour:0:2})) g=$((16#${colour:2:2})) b=$((16#${colour:4:2}))
    # Lines of ImageMagick's text format read "x,y: (r,g,b) #RRGGBB ...".
    import -window "$PROGRAM_WINDOW" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- 2>/dev/null \
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
e2e_on_ready_screen()      { ! e2e_on_language_screen && ! e2e_on_updating_screen && ! e2e_left_button_hidden; }
e2e_on_completion_screen() { ! e2e_on_updating_screen && e2e_left_button_hidden && e2e_right_button_shown; }
e2e_shows_warning()        { [ "$(e2e_count_colour 20 15 64 64 ffd400)" -gt 500 ]; }

# e2e_wait_for CHECK [SECONDS]
e2e_wait_for() {
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
    xdotool mousemove --window "$PROGRAM_WINDOW" 60 40
    xdotool windowfocus --sync "$PROGRAM_WINDOW" 2>/dev/null
    sleep 0.2
    xdotool key "$1"
}

# e2e_click X Y: in window coordinates.
e2e_click() {
    xdotool mousemove --window "$PROGRAM_WINDOW" "$1" "$2" click 1
}

# Waits for the program to end and checks its exit status.
e2e_expect_exit() {
    local expected="$1" seconds="${2:-10}"
    for _ in $(seq 1 $((seconds * 10))); do
        kill -0 "$PROGRAM_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$PROGRAM_PID" 2>/dev/null && e2e_fail "the program did not end"
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=""
    [ "$status" = "$expected" ] || e2e_fail "exit status $status, expected $expected"
}

e2e_screenshot() {
    import -window "$PROGRAM_WINDOW" "$1" || e2e_fail "cannot take a screenshot"
}
