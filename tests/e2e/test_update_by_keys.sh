#!/usr/bin/env bash
# runs-on: linux windows
# A whole update with the Return key alone, judged by what the program does
# rather than by what it shows, so that it also runs where a 32-bit
# program's screens are not drawn (Wine's WoW64 mode): Return takes the
# focused button of each screen in turn (OK on the language screen, Start on
# the ready screen, OK on the completion screen; the updating screen has no
# button), the program must end with status 0, and the controller's flash
# must equal the update file.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"

e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318
e2e_start "date=20230715;dump=$E2E_TMP/flash.bin"

end=$(( $(date +%s) + E2E_UPDATE_SECONDS ))
while kill -0 "$PROGRAM_PID" 2>/dev/null; do
    [ "$(date +%s)" -lt "$end" ] || e2e_fail "the program did not end after $E2E_UPDATE_SECONDS s of Return"
    e2e_key Return
    sleep 2
done
e2e_expect_exit 0 5
e2e_flash_holds "$E2E_TMP/app/vqdtrm4__v102.bin" "$E2E_TMP/flash.bin" || e2e_fail "the flash differs from the update file"
echo "update by Return alone: ok"
