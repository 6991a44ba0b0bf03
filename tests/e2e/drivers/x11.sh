# The driver of the Linux build (sourced by screens.sh's e2e_setup): the
# program and libvqdtrm4hid.so in a folder of their own, run natively on the
# test's own X server, each test in namespaces of its own.
#
# Every driver defines these names; drivers/wine.sh is the other one.
#
#   E2E_PLATFORM          linux or windows
#   E2E_START_SECONDS     how long a start may take, until the window shows
#                         or a second start has handed over and ended
#   E2E_EXIT_SECONDS      how long e2e_expect_exit waits by default
#   E2E_UPDATE_SECONDS    how long a whole update may take
#   e2e_driver_setup BIN_DIR
#   e2e_update_file NAME [make_update_file options]
#   e2e_launch LOG        starts the program in the background with
#                         VQDTRM4_SIM=$E2E_SCENARIO; its pid in E2E_LAUNCHED
#   e2e_wait_program_window PID, e2e_window_shown   (for screens.sh's e2e_start)
#   e2e_program_windows   the program's visible windows, one id a line
#   E2E_WINDOW_MADE       the event of lib.sh's window watch that tells
#                         that a process made a window of its own
#   e2e_need_screens      skips (77) a test that judges pixels where the
#                         program's screens cannot be seen
#   e2e_cover_program     puts another program's window over the program's
#                         and sets COVER; e2e_program_over_cover then tells
#                         whether the program's window came over it again
# (Each guard is only an upper bound, so that a broken program cannot hang
# the run.)

E2E_PLATFORM=linux
E2E_START_SECONDS=30
E2E_EXIT_SECONDS=10
E2E_UPDATE_SECONDS=120
E2E_APP_NAME=VQDTRM4UpdateProgram
# The program makes no X window it does not show.
E2E_WINDOW_MADE=CreateNotify

# Whether the script runs again in namespaces of its own (e2e_isolate),
# away from JUCE's machine-wide single-instance lock. That starts the script
# over from its first line, which suits the tests here: they do nothing
# before e2e_setup. Another script that sources screens.sh may have done work
# of its own by then (the screenshot script compiles locales and remembers
# which, to remove them again) that a second pass would repeat or lose track
# of, so it runs as it is unless it sets E2E_ISOLATE=1. E2E_ISOLATE=0 runs a
# test as it is too.
e2e_should_isolate() {
    case "${E2E_ISOLATE:-}" in
        1) return 0 ;;
        0) return 1 ;;
    esac
    local script_dir
    script_dir=$(cd "$(dirname "$0")" 2>/dev/null && pwd) || return 1
    [ "$script_dir" = "$E2E_DIR" ] && [[ "$(basename "$0")" == test_*.sh ]]
}

e2e_driver_setup() {
    local bin="$1"
    if e2e_should_isolate; then
        e2e_isolate "${E2E_SCRIPT_ARGS[@]}"
    fi
    e2e_need Xvfb xdotool xwininfo import
    [ -x "$bin/VQDTRM4_UpdateProgram" ] || e2e_fail "no program at $bin/VQDTRM4_UpdateProgram"
    # Without namespaces JUCE's single-instance lock is one for the whole
    # machine: a program started while another run holds it would only hand
    # over to that run. Wait for it to end, within reason.
    e2e_poll 180 _e2e_lock_free \
        || e2e_fail "another VQDTRM4_UpdateProgram (pid $(e2e_instance_lock_holder "$E2E_APP_NAME")) keeps the single-instance lock"

    e2e_tmpdir
    mkdir -p "$E2E_TMP/app"
    cp "$bin/VQDTRM4_UpdateProgram" "$bin/libvqdtrm4hid.so" "$E2E_TMP/app/" \
        || e2e_fail "cannot copy the program from $bin"
    MAKE_UPDATE_FILE="$bin/make_update_file"
    e2e_start_xvfb 1280x1024x24
}

_e2e_lock_free() { [ -z "$(e2e_instance_lock_holder "$E2E_APP_NAME")" ]; }

e2e_update_file() {
    local name="$1"; shift
    "$MAKE_UPDATE_FILE" "$@" "$E2E_TMP/app/$name" || e2e_fail "cannot make $name"
}

e2e_launch() {
    VQDTRM4_SIM="${E2E_SCENARIO:-}" "$E2E_TMP/app/VQDTRM4_UpdateProgram" >"$1" 2>&1 &
    E2E_LAUNCHED=$!
    e2e_track "$E2E_LAUNCHED"
}

e2e_wait_program_window() { e2e_wait_window_of "$1" "$E2E_START_SECONDS"; }
# Nothing to wait for: every test waits next for the pixels of a screen.
e2e_window_shown() { :; }
e2e_program_windows() { xdotool search --onlyvisible --class "$E2E_APP_NAME" 2>/dev/null | sort -u; }
e2e_need_screens() { :; }

# A window of another X client over the whole program window.
e2e_cover_program() {
    local x y
    read -r _ _ x y < <(e2e_geometry "$PROGRAM_WINDOW")
    xmessage -name vqd_cover -geometry 700x400+$(( x - 100 ))+$(( y - 100 )) "covering window" \
        >"$E2E_TMP/cover.log" 2>&1 &
    e2e_track $!
    COVER=$(e2e_first_id_within 30 xdotool search --onlyvisible --classname vqd_cover) \
        || e2e_fail "the covering window did not appear"
    e2e_wait_for 10 e2e_is_above "$COVER" "$PROGRAM_WINDOW" \
        || { xwininfo -root -children >&2; e2e_fail "the covering window is not over the program's window"; }
}

e2e_program_over_cover() { e2e_is_above "$PROGRAM_WINDOW" "$COVER"; }
