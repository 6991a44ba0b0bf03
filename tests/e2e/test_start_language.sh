#!/usr/bin/env bash
# The start language follows the user's locale when a locale of that
# language is installed: with LANG=de_DE.UTF-8 and a German locale the
# program starts in German; with LANG=ja_JP.UTF-8 and no Japanese locale it
# starts in English. The window title tells the language.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"

has_locale() { locale -a 2>/dev/null | grep -qi "^$1\.utf-\?8$"; }

has_locale de_DE || e2e_fail "no de_DE.UTF-8 locale installed (scripts/install-deps.sh compiles it)"

LANG=de_DE.UTF-8 e2e_start ""
e2e_wait_for e2e_on_language_screen
title=$(e2e_window_title)
[ "$title" = "Aktualisierungsprogramm" ] || e2e_fail "German user: title is '$title'"
e2e_key Escape
kill -INT "$PROGRAM_PID"
e2e_expect_exit 0
echo "German: ok"

if has_locale ja_JP; then
    echo "a Japanese locale is installed here; the English fall-back cannot be shown" >&2
    exit 77
fi

LANG=ja_JP.UTF-8 e2e_start ""
e2e_wait_for e2e_on_language_screen
title=$(e2e_window_title)
[ "$title" = "Updater Program" ] || e2e_fail "Japanese user without a Japanese locale: title is '$title'"
kill -INT "$PROGRAM_PID"
e2e_expect_exit 0
echo "Japanese without its locale: ok"
