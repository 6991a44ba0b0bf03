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
# The title alone tells, so that this runs where the screens are not drawn.
german_title() { [ "$(e2e_window_title)" = "Aktualisierungsprogramm" ]; }
e2e_wait_for 30 german_title || e2e_fail "German user: title is '$(e2e_window_title)'"
echo "German: ok"
