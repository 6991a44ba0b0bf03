#!/usr/bin/env bash
# runs-on: linux windows
# under-sanitizers: yes
# Against a library less polite than ours, as the maker's may be: one that
# sends its notices and waits for them to be handled (Windows only), one
# whose HID_Write hangs for 7 s holding its own lock once the controller is
# gone, and whose HID_Stop waits for that lock. With each, the controller
# pulled out during the block data ends on the recovery page, and Close there
# ends the program within 10 s; a quit asked by the system during the update
# ends it within 10 s too, and both close the device session in order. A
# worker ended by force inside the hanging write would leave the library's
# lock held, and HID_Stop would then wait for ever. A write that hangs for
# longer than the quit waits for it (30 s here) leaves the session to the
# system: the program ends within 10 s all the same, without closing it;
# also when the controller is plugged in again before Close and the library's
# device queries wait for the hanging write's lock (queries_wait=1): the
# arrival must not take the window into the library.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

if [ "$E2E_PLATFORM" = windows ]; then
    END_SESSION="$WINE_BIN_DIR/end_session.exe"
    [ -f "$END_SESSION" ] || e2e_fail "no $END_SESSION"
    LIBRARIES=("send=1" "write_block_ms=7000;stop_waits=1" "send=1;write_block_ms=7000;stop_waits=1")
else
    LIBRARIES=("write_block_ms=7000;stop_waits=1")
fi

# What a log-off asks of a program: on Windows WM_QUERYENDSESSION to its
# window, on Linux SIGTERM.
ask_system_quit() {
    if [ "$E2E_PLATFORM" = windows ]; then
        "$WINE_RUN" "$END_SESSION" "Updater Program" >/dev/null || e2e_fail "could not ask the program to end"
    else
        kill -TERM "$PROGRAM_PID"
    fi
}

# expect_exit_within SECONDS WHAT [open]: the program ends with status 0
# within SECONDS of now, and its call log ends with the session closed (or,
# with "open", without HID_Stop).
expect_exit_within() {
    local start=$SECONDS
    e2e_wait_exit "$PROGRAM_PID" 30 || e2e_fail "the program still runs 30 s after $2"
    PROGRAM_PID=""
    [ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after $2"
    [ $(( SECONDS - start )) -le "$1" ] || e2e_fail "the program took $(( SECONDS - start )) s to end after $2"
    if [ "${3:-}" = open ]; then
        [ "$(e2e_count_lines "$calls" HID_Stop)" = 0 ] || e2e_fail "HID_Stop was called under a hanging write after $2"
    else
        e2e_file_ends_with "$calls" HID_Stop "HID_SetCallback(null)" HID_Finalize \
            || { cat "$calls" >&2; e2e_fail "the session was not closed in order after $2"; }
    fi
}


# removed_then_close LIBRARY [open]: the controller goes at the 40th data
# report; the recovery page, then Close.
removed_then_close() {
    rm -f "$calls"
    e2e_start_update "date=20230715;framed=1;log=$calls;$1;fault=data:40:remove"
    e2e_close_on_recovery_page
    expect_exit_within 10 "Close on the recovery page with $1" "${2:-}"
    echo "$1: removal during the block data, recovery page, Close: ok"
}

e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318
calls="$E2E_TMP/calls.log"
for library in "${LIBRARIES[@]}"; do
    removed_then_close "$library"

    rm -f "$calls"
    e2e_start_update "date=20230715;framed=1;log=$calls;$library"
    e2e_wait_for e2e_on_updating_screen
    # Into the block data.
    e2e_wait_for 20 e2e_progress_beyond 10 || e2e_fail "the update did not go on with $library"
    ask_system_quit
    expect_exit_within 10 "a system quit during the update with $library"
    echo "$library: system quit during the update: ok"
done

if [ "$E2E_PLATFORM" = linux ]; then
    removed_then_close "write_block_ms=30000;stop_waits=1" open
fi
removed_then_close "write_block_ms=30000;stop_waits=1;queries_wait=1;arrive_ms=1000" open
