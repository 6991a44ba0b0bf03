# Shell helpers for driving the real program under Xvfb: a private copy of
# the program beside its library and update file, its window, its screens as
# a user sees them, keys and clicks. Sourced by the test_*.sh scripts (and by
# the screenshot script and the benchmarks).
#
# Built on lib.sh: its X server, its cleanup of every process started here
# and its isolation from other runs of the program on this machine.
#
# Screens are told apart by what they show, read from screenshots of the
# window: the language list's white box, the progress bar's pink trough,
# the grey where a button is hidden, the warning image of the error screens.

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$E2E_DIR/lib.sh"

# The sourcing script's own arguments (a file sourced without arguments sees
# the script's), for running it again in namespaces of its own.
E2E_SCRIPT_ARGS=("$@")

PROGRAM_PID=""
PROGRAM_WINDOW=""
XVFB_PID=""

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

# Whether e2e_setup runs the script again in namespaces of its own
# (e2e_isolate), away from JUCE's machine-wide single-instance lock. That
# starts the script over from its first line, which suits the tests here:
# they do nothing before e2e_setup. Another script that sources this one may
# have done work of its own by then (the screenshot script compiles locales
# and remembers which, to remove them again) that a second pass would repeat
# or lose track of, so it runs as it is unless it sets E2E_ISOLATE=1.
# E2E_ISOLATE=0 runs a test as it is too.
e2e_should_isolate() {
    case "${E2E_ISOLATE:-}" in
        1) return 0 ;;
        0) return 1 ;;
    esac
    local script_dir
    script_dir=$(cd "$(dirname "$0")" 2>/dev/null && pwd) || return 1
    [ "$script_dir" = "$E2E_DIR" ] && [[ "$(basename "$0")" == test_*.sh ]]
}

# e2e_setup BIN_DIR: a temporary folder with the program and its library,
# and an X server of our own.
e2e_setup() {
    local bin="$1"
    if e2e_should_isolate; then
        e2e_isolate "${E2E_SCRIPT_ARGS[@]}"
    fi
    e2e_need Xvfb xdotool xwininfo import
    [ -x "$bin/VQDTRM4_UpdateProgram" ] || e2e_fail "no program at $bin/VQDTRM4_UpdateProgram"

    e2e_tmpdir
    mkdir -p "$E2E_TMP/app"
    cp "$bin/VQDTRM4_UpdateProgram" "$bin/libvqdtrm4hid.so" "$E2E_TMP/app/" \
        || e2e_fail "cannot copy the program from $bin"
    MAKE_UPDATE_FILE="$bin/make_update_file"

    e2e_start_xvfb 1280x1024x24
    XVFB_PID=$E2E_XVFB_PID
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
    e2e_track "$PROGRAM_PID"
    PROGRAM_WINDOW=""
    PROGRAM_WINDOW=$(e2e_wait_window_of "$PROGRAM_PID" 20) || PROGRAM_WINDOW=""
    [ -n "$PROGRAM_WINDOW" ] || e2e_fail "the program showed no window"
    sleep 0.3
}

e2e_window_size() {
    xwininfo -id "$PROGRAM_WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

e2e_window_title() {
    xdotool getwindowname "$PROGRAM_WINDOW"
}

# The colour of one pixel of the window as RRGGBB. (The reads of the window
# are bounded: import waits for ever on a window that has gone.)
e2e_pixel() {
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null \
        | awk 'NR == 2 { print substr($3, 2, 6) }'
}

# How many pixels of a window area have a colour close to RRGGBB.
e2e_count_colour() {
    local x="$1" y="$2" w="$3" h="$4" colour="$5"
    local r=$((16#${colour:0:2})) g=$((16#${colour:2:2})) b=$((16#${colour:4:2}))
    # Lines of ImageMagick's text format read "x,y: (r,g,b) #RRGGBB ...".
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- 2>/dev/null \
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
    xdotool mousemove --window "$PROGRAM_WINDOW" 60 40
    xdotool windowfocus --sync "$PROGRAM_WINDOW" 2>/dev/null
    sleep 0.2
    xdotool key "$1"
}

# e2e_click X Y: in window coordinates.
e2e_click() {
    xdotool mousemove --window "$PROGRAM_WINDOW" "$1" "$2" click 1
}

# e2e_expect_exit STATUS [SECONDS]: waits (SECONDS is a guard only) for
# the program to end and checks its exit status.
e2e_expect_exit() {
    local expected="$1" seconds="${2:-10}"
    e2e_wait_exit "$PROGRAM_PID" "$seconds" || e2e_fail "the program did not end"
    PROGRAM_PID=""
    [ "$E2E_STATUS" = "$expected" ] || e2e_fail "exit status $E2E_STATUS, expected $expected"
}

e2e_screenshot() {
    import -window "$PROGRAM_WINDOW" "$1" || e2e_fail "cannot take a screenshot"
}
