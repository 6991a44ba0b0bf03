#!/usr/bin/env bash
# The start language of the Windows build follows GetUserDefaultLangID,
# which Wine takes from the Unix locale: LANG=de_DE.UTF-8 gives 0x0407, and
# with German among the installed locales the program starts in German. The
# window title tells the language.
source "$(dirname "$0")/wine.sh"
e2e_setup "$1"

# Wine reads the locale when its server starts: a server of another locale
# must not be running.
wineserver -k >/dev/null 2>&1 || true

LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 e2e_start ""
e2e_wait_for e2e_on_language_screen
title=$(e2e_window_title)
[ "$title" = "Aktualisierungsprogramm" ] || e2e_fail "German user: title is '$title'"
e2e_screenshot "$E2E_TMP/german.png"
echo "German: ok"
