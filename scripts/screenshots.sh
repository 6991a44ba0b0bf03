#!/usr/bin/env bash
# Takes the screenshots under docs/screenshots/: every screen a user meets,
# in English and in Japanese, and the opened language list, from the real
# program under Xvfb against the simulated controller.
#
# The language list offers the languages whose locales are installed, so
# the locales of all twelve are compiled for the run (as root) and those
# that were not there before are removed again afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

. scripts/lib/packages.sh
scripts/install-deps.sh
scripts/build.sh --target VQDTRM4_UpdateProgram vqdtrm4hid make_update_file

out="$root/docs/screenshots"
mkdir -p "$out"

locales=(en_US fr_FR de_DE es_ES it_IT nl_NL ru_RU pt_PT zh_CN zh_TW ko_KR ja_JP)
added=()
for name in "${locales[@]}"; do
    if ! vqd_has_locale "$name"; then
        localedef -i "$name" -f UTF-8 "$name.UTF-8" 2>/dev/null || true
        added+=("$name.utf8")  # the name the archive keeps
    fi
done

remove_added_locales() {
    for name in "${added[@]}"; do
        localedef --delete-from-archive "$name" 2>/dev/null || true
    done
}

# From here on the e2e helpers report failures themselves.
set +e +o pipefail
source tests/e2e/screens.sh
e2e_setup "$root/build/bin"
trap 'remove_added_locales; e2e_cleanup' EXIT

shot() {
    sleep 0.4
    e2e_screenshot "$out/$1.png"
    echo "  $1.png"
}

for lang in en ja; do
    case "$lang" in
        en) export LANG=en_US.UTF-8 ;;
        ja) export LANG=ja_JP.UTF-8 ;;
    esac
    echo "$lang:"

    rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
    e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318

    # Language, ready, updating and completion screens in one update, at
    # USB pace so that the progress bar can be caught under way.
    e2e_start "date=20230715;version=1.00;framed=1;busy=2"
    e2e_wait_for e2e_on_language_screen
    shot "language_$lang"

    if [ "$lang" = en ]; then
        # The opened list, each language drawn in its own script.
        e2e_click 200 84
        sleep 0.8
        geometry=$(xdotool getwindowgeometry "$PROGRAM_WINDOW" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')
        read -r wx wy <<<"$geometry"
        import -window root -crop "420x420+$((wx - 7))+$((wy - 7))" +repage "$out/language_list.png"
        echo "  language_list.png"
        xdotool key Escape
        sleep 0.4
    fi

    e2e_key Return
    e2e_wait_for e2e_on_ready_screen
    shot "ready_$lang"
    e2e_key Return
    e2e_wait_for e2e_on_updating_screen
    sleep 6
    shot "updating_$lang"
    e2e_wait_for e2e_on_completion_screen 180
    shot "completion_$lang"
    e2e_key Return
    e2e_expect_exit 0

    # A damaged update file.
    rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
    e2e_update_file vqdtrm4__v102.bin --defect crc
    e2e_start ""
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    e2e_wait_for e2e_shows_warning
    shot "file_error_$lang"
    e2e_key Return
    e2e_expect_exit 0

    # The controller unplugged during the update: the recovery page.
    rm -f "$E2E_TMP"/app/vqdtrm4__v*.bin
    e2e_update_file vqdtrm4__v102.bin
    e2e_start "date=20230715;fault=data:3000:remove"
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    e2e_wait_for e2e_on_ready_screen
    e2e_key Return
    e2e_wait_for e2e_shows_warning 60
    for _ in $(seq 1 20); do [ "$(e2e_window_size)" = "800x300" ] && break; sleep 0.1; done
    shot "recovery_$lang"
    e2e_click 730 270
    e2e_expect_exit 0
done
