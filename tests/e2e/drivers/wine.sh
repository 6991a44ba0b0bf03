# The driver of the Windows build (sourced by screens.sh's e2e_setup; the
# names it defines are listed in drivers/x11.sh): the program and the
# simulated controller built as vqdtrm4hid.dll in a folder of their own, run
# under Wine on the test's own X server.
#
# - The program runs in the build tree's Wine prefix (scripts/wine-run.sh
#   sets it up). The single-instance lock lives in that prefix's Wine server,
#   so the Wine tests run one after the other, not in namespaces of their own.
# - Without a window manager Wine draws the window's frame and title bar
#   itself, inside the X window: the screen checks, written for the client
#   area, are shifted by the frame, which is measured at each start.
# - Each start under Wine takes seconds, and an update under Wine about half
#   as long again as natively: the bounds are wider.

E2E_PLATFORM=windows
E2E_START_SECONDS=60
E2E_EXIT_SECONDS=30
E2E_UPDATE_SECONDS=180
# Every Wine process makes hidden X windows of its own, whatever the program
# does: a window the program made is one that is shown.
E2E_WINDOW_MADE=MapNotify
# Wine names the X window's class after the executable.
WINE_PROGRAM_CLASS=vqdtrm4_updateprogram.exe
WINE_RUN="$E2E_DIR/../../scripts/wine-run.sh"
. "$E2E_DIR/../../scripts/lib/wine.sh"

# The Wine server of the prefix ends with the test, so that nothing of this
# test lives on into the next.
wine_e2e_cleanup() {
    e2e_cleanup
    [ -z "${WINEPREFIX:-}" ] || wineserver -k >/dev/null 2>&1
}
trap 'wine_e2e_cleanup; [ -z "$E2E_REPORTED" ] || exit 1' EXIT

e2e_driver_setup() {
    local bin="$1"
    e2e_need Xvfb xdotool xwininfo import wineserver
    [ -x "$VQD_WINE64_LOADER" ] || e2e_fail "no 64-bit Wine loader at $VQD_WINE64_LOADER (Debian package wine64)"
    [ -f "$bin/VQDTRM4_UpdateProgram.exe" ] || e2e_fail "no program at $bin/VQDTRM4_UpdateProgram.exe"

    e2e_tmpdir
    mkdir -p "$E2E_TMP/app"
    cp "$bin/VQDTRM4_UpdateProgram.exe" "$bin/vqdtrm4hid.dll" "$E2E_TMP/app/" \
        || e2e_fail "cannot copy the program from $bin"
    WINE_BIN_DIR=$bin
    # Each build tree (x64, x86) has a Wine prefix of its own beside bin/.
    WINEPREFIX=$(cd "$bin/.." && pwd)/wineprefix
    export WINEPREFIX
    "$WINE_RUN" --prepare || e2e_fail "cannot set up the Wine prefix"
    # Wine reads the user's locale, and more, when its server starts: a
    # server left by another run must not serve this test.
    wineserver -k >/dev/null 2>&1
    e2e_start_xvfb 1280x1024x24
}

# Made by the Windows build of the tool.
e2e_update_file() {
    local name="$1"; shift
    "$WINE_RUN" "$WINE_BIN_DIR/make_update_file.exe" "$@" "$(wine_path "$E2E_TMP/app/$name")" >/dev/null \
        || e2e_fail "cannot make $name"
}

e2e_launch() {
    VQDTRM4_SIM="${E2E_SCENARIO:-}" "$WINE_RUN" "$E2E_TMP/app/VQDTRM4_UpdateProgram.exe" >"$1" 2>&1 &
    E2E_LAUNCHED=$!
    e2e_track "$E2E_LAUNCHED"
}

e2e_wait_program_window() { wine_wait_window "$1" "$WINE_PROGRAM_CLASS" "$E2E_START_SECONDS"; }
e2e_program_windows() { xdotool search --onlyvisible --class "$WINE_PROGRAM_CLASS" 2>/dev/null | sort -u; }

# Every screen starts 406 x 154; the frame is what the X window has beyond
# that: the same border left, right and below, the title bar on top. Wine
# may map the window before it gives it its frame's size: waits for a size
# that holds the client area and a title bar.
e2e_window_shown() {
    e2e_wait_for 10 _wine_frame_known || e2e_fail "the window is $(e2e_x_window_size | tr ' ' x), smaller than its 406 x 154 client area and a title bar"
}

_wine_frame_known() {
    local w h
    read -r w h < <(e2e_x_window_size)
    [ -n "$w" ] && [ -n "$h" ] || return 1
    E2E_FRAME_X=$(( (w - 406) / 2 ))
    E2E_FRAME_Y=$(( h - 154 - E2E_FRAME_X ))
    [ "$E2E_FRAME_X" -ge 0 ] && [ "$E2E_FRAME_Y" -gt "$E2E_FRAME_X" ]
}

# wine_wait_window PID CLASS [SECONDS]: the first visible window of the
# Windows program started as PID, found by the class Wine names after the
# executable, on this test's own X server. A 32-bit program under 64-bit
# Wine in its WoW64 mode runs in a process of its own beside the one started
# here, which waits for it and ends with its status: its windows carry that
# other process's ID.
wine_wait_window() {
    e2e_first_id_within "${3:-60}" _wine_live_windows "$1" "$2"
}

_wine_live_windows() {
    kill -0 "$1" 2>/dev/null || return 2
    xdotool search --onlyvisible --class "$2" 2>/dev/null
}

# Where Debian's wine32:i386 cannot be installed, 32-bit programs run under
# 64-bit Wine in its WoW64 mode (scripts/lib/wine.sh). They run whole, but
# nothing they paint reaches the X server: the client area stays black. A
# test that judges the screens by their pixels cannot run there, and says so.
e2e_need_screens() {
    [ "$(vqd_wine32_kind)" != wine32 ] || return 0
    if [ "$(vqd_pe_machine "$WINE_BIN_DIR/VQDTRM4_UpdateProgram.exe")" = x86 ]; then
        echo "SKIPPED: a 32-bit program's screens are not drawn under Wine's WoW64 mode (no wine32:i386 here)"
        exit 77
    fi
}

# A Unix path as Windows programs under Wine name it (drive Z: is /).
wine_path() { echo "Z:${1//\//\\}"; }

# A window of another Windows process over the whole program window: under
# Wine the order of Wine's own windows is what a raise changes, and without a
# window manager Wine restacks its X windows only as far as it knows their
# order, so the order is read as Windows keeps it, by that other program
# (tools/cover_window.cpp), which prints the title of the window above it.
e2e_cover_program() {
    local x y pid
    read -r _ _ x y < <(e2e_geometry "$PROGRAM_WINDOW")
    "$WINE_RUN" "$WINE_BIN_DIR/cover_window.exe" $(( x - 100 )) $(( y - 100 )) 700 400 \
        "$(wine_path "$E2E_TMP/raise-cover")" >"$E2E_TMP/cover.log" 2>&1 &
    pid=$!
    e2e_track "$pid"
    COVER=$(wine_wait_window "$pid" cover_window.exe "$E2E_START_SECONDS") || e2e_fail "the covering window did not appear"
    # As a user brings it to the front: a click on it, away from the
    # program's window. Under Wine a click does not always raise it, so it
    # is also asked to bring itself to the front; the request is taken when
    # its file is gone.
    xdotool mousemove --window "$COVER" 20 20 click 1
    touch "$E2E_TMP/raise-cover"
    e2e_wait_for 10 _wine_cover_raised || { cat "$E2E_TMP/cover.log" >&2; e2e_fail "the covering window did not come on top"; }
}

_wine_cover_raised() { [ ! -e "$E2E_TMP/raise-cover" ] && _wine_cover_on_top; }

_wine_cover_on_top() { [ "$(tail -n 1 "$E2E_TMP/cover.log")" = "above: " ]; }
e2e_program_over_cover() { grep -qx "above: $(e2e_window_title)" "$E2E_TMP/cover.log"; }
