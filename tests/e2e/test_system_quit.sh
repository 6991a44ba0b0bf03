#!/usr/bin/env bash
# runs-on: linux
# under-sanitizers: yes
# The system's requests to quit, SIGTERM and SIGHUP on Linux (a log-off on
# Windows), and an interrupt from the terminal (SIGINT), end the program
# through its normal shutdown, whatever it is doing and without asking: it
# exits with status 0, its window is gone, its single-instance lock released,
# and the device session is closed in order, which the simulated controller's
# call log and its flash dump (written at HID_Finalize) show. Also in the middle of an update: the
# worker is stopped before the session closes and the update is left where
# it was.
#
# Usage: test_system_quit.sh BIN_DIR   (the build's bin folder)
source "$(dirname "$0")/screens.sh"
e2e_setup "${1:-}"

OPENING=(HID_Initialize "HID_SetCallback(window)" HID_Start)
CLOSING=(HID_Stop "HID_SetCallback(null)" HID_Finalize)

# expect_closed_in_order CALL_LOG FLASH_DUMP
expect_closed_in_order() {
    local calls=$1 dump=$2
    e2e_file_starts_with "$calls" "${OPENING[@]}" \
        || { cat "$calls" >&2; e2e_fail "the call log does not start with ${OPENING[*]}"; }
    e2e_file_ends_with "$calls" "${CLOSING[@]}" \
        || { cat "$calls" >&2; e2e_fail "the call log does not end with ${CLOSING[*]}"; }
    local call
    for call in HID_Initialize HID_Stop HID_Finalize; do
        [ "$(e2e_count_lines "$calls" "$call")" = 1 ] \
            || { cat "$calls" >&2; e2e_fail "$call is in the call log $(e2e_count_lines "$calls" "$call") times"; }
    done
    [ "$(stat -c %s "$dump" 2>/dev/null)" = $(( 0x1E0000 )) ] \
        || e2e_fail "no whole flash dump: HID_Finalize did not finish"
}

# The session is open and nothing has closed it yet, so whatever closes it
# afterwards is the signal's doing.
expect_session_open() {
    local calls=$1 dump=$2
    e2e_wait_for 15 e2e_file_starts_with "$calls" "${OPENING[@]}" \
        || { cat "$calls" >&2; e2e_fail "the device session was not opened"; }
    [ "$(e2e_count_lines "$calls" HID_Stop)" = 0 ] || e2e_fail "HID_Stop was called before the signal"
    [ ! -e "$dump" ] || e2e_fail "the flash dump exists before the signal"
}

# --- on a screen, no update under way ----------------------------------------
for signal in INT TERM HUP; do
    calls="$E2E_TMP/calls_$signal.log"
    dump="$E2E_TMP/flash_$signal.bin"
    e2e_start "log=$calls;dump=$dump"
    expect_session_open "$calls" "$dump"

    kill -"$signal" "$PROGRAM_PID"
    # The signal's default action would end the program with 128 + its number.
    e2e_expect_exit 0 30
    expect_closed_in_order "$calls" "$dump"
    [ -z "$(e2e_program_windows)" ] || e2e_fail "program windows remain after SIG$signal"
    [ -z "$(e2e_instance_lock_holder "$E2E_APP_NAME")" ] || e2e_fail "the single-instance lock is still held after SIG$signal"
    e2e_log "SIG$signal: status 0, session closed: $(paste -sd ' ' "$calls")"
done

# --- during an update ----------------------------------------------------------
# At USB pace (framed) a whole update takes about 40 seconds.
e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318
calls="$E2E_TMP/calls_update.log"
dump="$E2E_TMP/flash_update.bin"
e2e_start "date=20230715;framed=1;log=$calls;dump=$dump"
e2e_wait_for e2e_on_language_screen
e2e_key Return                      # OK
e2e_wait_for e2e_on_ready_screen
e2e_key Return                      # Start
e2e_wait_for e2e_on_updating_screen
expect_session_open "$calls" "$dump"

kill -TERM "$PROGRAM_PID"
# The bound is only a guard; that the program did not wait for the update
# to finish is told by the flash below.
e2e_expect_exit 0 30
expect_closed_in_order "$calls" "$dump"

if e2e_flash_holds "$E2E_TMP/app/vqdtrm4__v102.bin" "$dump"; then
    e2e_fail "the flash holds the whole update: the program finished it instead of quitting"
fi
e2e_log "SIGTERM during the update: status 0, update cut short, session closed: $(paste -sd ' ' "$calls")"

e2e_log "PASS"
exit 0
