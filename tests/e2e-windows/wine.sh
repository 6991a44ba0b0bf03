# Shell helpers for driving the Windows build of the program under Wine on
# Xvfb, against the simulated controller built as vqdtrm4hid.dll. Built on
# the Linux end-to-end helpers (tests/e2e/screens.sh): the same screens, keys
# and clicks, with what differs under Wine put over them.
#
# - The program runs in the build's Wine prefix (scripts/wine-run.sh sets it
#   up). The single-instance lock lives in that prefix's Wine server, so the
#   Wine tests run one after the other, not in namespaces of their own.
# - Without a window manager Wine draws the window's frame and title bar
#   itself, inside the X window: the screen checks, written for the client
#   area, are shifted by the frame, which is measured at each start.

WINE_E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE_RUN="$WINE_E2E_DIR/../../scripts/wine-run.sh"

E2E_ISOLATE=0
. "$WINE_E2E_DIR/../e2e/screens.sh"

# The client area's offset in the X window (frame and title bar).
WINE_FRAME_X=0
WINE_FRAME_Y=0

# The Wine server of the prefix ends with the test, so that nothing of this
# test lives on into the next.
wine_e2e_cleanup() {
    e2e_cleanup
    [ -z "${WINEPREFIX:-}" ] || wineserver -k >/dev/null 2>&1
}
trap 'wine_e2e_cleanup; [ -z "$E2E_REPORTED" ] || exit 1' EXIT

# e2e_setup BIN_DIR: a temporary folder with the program and the simulated
# vqdtrm4hid.dll, an X server of our own, and a Wine prefix ready to use.
e2e_setup() {
    local bin="$1"
    e2e_need Xvfb xdotool xwininfo import wine
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
    e2e_start_xvfb 1280x1024x24
    XVFB_PID=$E2E_XVFB_PID
}

# e2e_update_file NAME [make_update_file options]: into the program's folder,
# made by the Windows build of the tool.
e2e_update_file() {
    local name="$1"; shift
    "$WINE_RUN" "$WINE_BIN_DIR/make_update_file.exe" "$@" "$(wine_path "$E2E_TMP/app/$name")" >/dev/null \
        || e2e_fail "cannot make $name"
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
# 64-bit Wine in its WoW64 mode (scripts/lib/wine32.sh). They run whole, but
# nothing they paint reaches the X server: the client area stays black. A
# test that judges the screens by their pixels cannot run there, and says so.
. "$WINE_E2E_DIR/../../scripts/lib/packages.sh"
. "$WINE_E2E_DIR/../../scripts/lib/wine32.sh"
wine_screens_hidden() {
    local pe machine
    [ "$(vqd_wine32_kind)" != wine32 ] || return 1
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    machine=$(od -An -tx2 -j$(( pe + 4 )) -N2 "$1" | tr -d ' ')
    [ "$machine" = 014c ]
}

# wine_need_screens: skips the test (status 77) when the program's screens
# cannot be seen.
wine_need_screens() {
    if wine_screens_hidden "$WINE_BIN_DIR/VQDTRM4_UpdateProgram.exe"; then
        echo "SKIPPED: a 32-bit program's screens are not drawn under Wine's WoW64 mode (no wine32:i386 here)"
        exit 77
    fi
}

# A Unix path as Windows programs under Wine name it (drive Z: is /).
wine_path() { echo "Z:${1//\//\\}"; }

# e2e_start [SCENARIO]: starts the program under Wine against the simulated
# controller and waits for its window; then measures the frame.
e2e_start() {
    VQDTRM4_SIM="${1:-}" "$WINE_RUN" "$E2E_TMP/app/VQDTRM4_UpdateProgram.exe" >"$E2E_TMP/program.log" 2>&1 &
    PROGRAM_PID=$!
    e2e_track "$PROGRAM_PID"
    PROGRAM_WINDOW=""
    PROGRAM_WINDOW=$(wine_wait_window "$PROGRAM_PID" vqdtrm4_updateprogram.exe 60) || PROGRAM_WINDOW=""
    [ -n "$PROGRAM_WINDOW" ] || e2e_fail "the program showed no window"
    sleep 0.5
    # Every screen starts 406 x 154; the frame is what the X window has
    # beyond that: the same border left, right and below, the title bar on
    # top.
    local w h
    read -r w h < <(e2e_x_window_size)
    WINE_FRAME_X=$(( (w - 406) / 2 ))
    WINE_FRAME_Y=$(( h - 154 - WINE_FRAME_X ))
    [ "$WINE_FRAME_X" -ge 0 ] && [ "$WINE_FRAME_Y" -ge 0 ] \
        || e2e_fail "the window is ${w}x${h}, smaller than its 406 x 154 client area"
}

e2e_x_window_size() {
    xwininfo -id "$PROGRAM_WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'
}

# The client area's size, as the Linux checks read the window's.
e2e_window_size() {
    local w h
    read -r w h < <(e2e_x_window_size)
    echo "$(( w - 2 * WINE_FRAME_X ))x$(( h - WINE_FRAME_Y - WINE_FRAME_X ))"
}

# The screen checks read client-area coordinates.
e2e_pixel() {
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "1x1+$(( $1 + WINE_FRAME_X ))+$(( $2 + WINE_FRAME_Y ))" -depth 8 txt:- 2>/dev/null \
        | awk 'NR == 2 { print substr($3, 2, 6) }'
}

e2e_count_colour() {
    local x=$(( $1 + WINE_FRAME_X )) y=$(( $2 + WINE_FRAME_Y )) w="$3" h="$4" colour="$5"
    local r=$((16#${colour:0:2})) g=$((16#${colour:2:2})) b=$((16#${colour:4:2}))
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- 2>/dev/null \
        | awk -v r="$r" -v g="$g" -v b="$b" '
              NR > 1 { t = $2; gsub(/[()]/, "", t); split(t, c, ",");
                       if ((c[1]-r)^2 + (c[2]-g)^2 + (c[3]-b)^2 < 1200) n++ }
              END { print n + 0 }'
}

e2e_click() {
    xdotool mousemove --window "$PROGRAM_WINDOW" "$(( $1 + WINE_FRAME_X ))" "$(( $2 + WINE_FRAME_Y ))" click 1
}

# Keys go to the window under the pointer.
e2e_key() {
    xdotool mousemove --window "$PROGRAM_WINDOW" "$(( 60 + WINE_FRAME_X ))" "$(( 40 + WINE_FRAME_Y ))"
    xdotool windowfocus --sync "$PROGRAM_WINDOW" 2>/dev/null
    sleep 0.2
    xdotool key "$1"
}

# The client area alone.
e2e_screenshot() {
    local size
    size=$(e2e_window_size)
    timeout 15 import -window "$PROGRAM_WINDOW" -crop "${size}+${WINE_FRAME_X}+${WINE_FRAME_Y}" +repage "$1" \
        || e2e_fail "cannot take a screenshot"
}

# The flash the simulated controller wrote at HID_Finalize equals the first
# 0x1E0000 bytes of the update file.
wine_check_flash() {
    head -c $((0x1E0000)) "$1" > "$E2E_TMP/expected.bin"
    cmp -s "$E2E_TMP/expected.bin" "$2" || e2e_fail "the flash differs from the update file"
}
