#!/usr/bin/env bash
# Replays one recording through the real program of a build, Linux or
# Windows (VQDTRM4_SIM="replay=...;fast=1": test_replay keeps the recorded
# timing), by keys as a user updates, and checks
# that it ends on the recorded screen with the recorded flash and that the
# replay found nothing to say. Not a test of its own: the round trip runs it
# for the recordings it makes, under Wine also with the Linux build.
#
#   replay_recording.sh BIN RECORDING FLASH completion|recovery NAME [OPTIONS...]
#
# NAME and OPTIONS make the update file the recording was made with
# (make_update_file OPTIONS NAME).
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens
recording=$2 flash=$3 end=$4 name=$5
shift 5
e2e_update_file "$name" "$@"

e2e_start_update "replay=$recording;fast=1;dump=$E2E_TMP/flash.bin"
if [ "$end" = completion ]; then
    e2e_wait_for e2e_on_completion_screen "$E2E_UPDATE_SECONDS"
    e2e_key Return
else
    e2e_close_on_recovery_page
fi
e2e_expect_exit 0
cmp -s "$E2E_TMP/flash.bin" "$flash" || e2e_fail "the replay left another flash"
! grep -i "replay" "$E2E_TMP/program.log" || e2e_fail "the replay says the above"
echo "$E2E_PLATFORM replay of $(basename "$recording"): ok"
