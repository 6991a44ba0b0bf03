#!/usr/bin/env bash
# runs-on: linux
# The update file changes on disk after the program checked it, while the
# ready screen shows its version: cut to half its size, then replaced by
# another valid file. Each time the update must still complete, and the
# controller's flash must hold the file as it was when it was checked.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"

file="$E2E_TMP/app/vqdtrm4__v102.bin"

update_after() {
    local what=$1
    rm -f "$E2E_TMP/flash.bin" "$file"
    e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318
    cp "$file" "$E2E_TMP/checked.bin"

    e2e_start "date=20230715;dump=$E2E_TMP/flash.bin"
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    e2e_wait_for e2e_on_ready_screen

    "$what"

    e2e_key Return
    e2e_wait_for e2e_on_updating_screen
    e2e_wait_for e2e_on_completion_screen 120
    e2e_key Return
    e2e_expect_exit 0
    e2e_flash_holds "$E2E_TMP/checked.bin" "$E2E_TMP/flash.bin" \
        || e2e_fail "$what: the flash differs from the file that was checked"
    echo "$what: ok"
}

cut_in_half() {
    truncate -s $((0x100000)) "$file"
}

replace_with_another() {
    "$MAKE_UPDATE_FILE" --version 1.03 --date 20250101 --seed 77 "$E2E_TMP/other.bin" >/dev/null
    mv -f "$E2E_TMP/other.bin" "$file"
}

update_after cut_in_half
update_after replace_with_another
