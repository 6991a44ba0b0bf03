#!/usr/bin/env bash
# runs-on: linux windows
# The start language follows the user's locale when a locale of that
# language is installed: with LANG=de_DE.UTF-8 and a German locale the
# program starts in German (the Windows build through
# GetUserDefaultLangID, which Wine takes from the Unix locale as 0x0407);
# on Linux, with LANG=ja_JP.UTF-8 and no Japanese locale it starts in
# English. The window title tells the language, so that this runs where the
# screens are not drawn too.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"

vqd_has_locale de_DE || e2e_fail "no de_DE.UTF-8 locale installed (scripts/install-deps.sh compiles it)"

title_is() { [ "$(e2e_window_title)" = "$1" ]; }

LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 e2e_start ""
e2e_wait_for 30 title_is "Aktualisierungsprogramm" || e2e_fail "German user: title is '$(e2e_window_title)'"
echo "German: ok"

# Windows (and Wine) has every locale installed: the fall-back is Linux's.
[ "$E2E_PLATFORM" = linux ] || exit 0
e2e_key Escape
kill -INT "$PROGRAM_PID"
e2e_expect_exit 0

if vqd_has_locale ja_JP; then
    echo "a Japanese locale is installed here; the English fall-back cannot be shown" >&2
    exit 77
fi

LANG=ja_JP.UTF-8 e2e_start ""
e2e_wait_for e2e_on_language_screen
title_is "Updater Program" || e2e_fail "Japanese user without a Japanese locale: title is '$(e2e_window_title)'"
kill -INT "$PROGRAM_PID"
e2e_expect_exit 0
echo "Japanese without its locale: ok"
