#!/usr/bin/env bash
# Takes the screenshots of the Windows build under docs/screenshots/windows/:
# the language, ready, updating and recovery screens in English and in
# Japanese, from the real program under Wine on Xvfb against the simulated
# controller. Wine draws the frame itself without a window manager, so the
# pictures show the client area. Builds the Windows program if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

[ -f build-windows/bin/VQDTRM4_UpdateProgram.exe ] || scripts/build-windows.sh

out="$root/docs/screenshots/windows"
mkdir -p "$out"

# From here on the e2e helpers report failures themselves.
set +e +o pipefail
source tests/e2e/screens.sh
e2e_setup "$root/build-windows/bin"

shot() {
    sleep 0.5
    e2e_screenshot "$out/$1.png"
    echo "  $1.png"
}

for lang in en ja; do
    # Wine takes the user's language from the Unix locale.
    case "$lang" in
        en) export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 ;;
        ja) export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ;;
    esac
    echo "$lang:"

    rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
    e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318

    # Language, ready and updating screens in one update, at USB pace so
    # that the progress bar can be caught under way.
    e2e_start "date=20230715;version=1.00;framed=1;busy=2"
    e2e_wait_for e2e_on_language_screen
    shot "language_$lang"
    e2e_key Return
    e2e_wait_for e2e_on_ready_screen
    shot "ready_$lang"
    e2e_key Return
    e2e_wait_for e2e_on_updating_screen
    sleep 6
    shot "updating_$lang"
    kill "$PROGRAM_PID"
    e2e_wait_exit "$PROGRAM_PID" 30

    # The controller unplugged during the update: the recovery page.
    e2e_start "date=20230715;fault=data:3000:remove"
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    e2e_wait_for e2e_on_ready_screen
    e2e_key Return
    e2e_wait_for e2e_shows_warning 90
    for _ in $(seq 1 50); do [ "$(e2e_window_size)" = "800x300" ] && break; sleep 0.1; done
    shot "recovery_$lang"
    e2e_click 730 270
    e2e_expect_exit 0 30
done
