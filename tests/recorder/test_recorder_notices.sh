#!/usr/bin/env bash
# Runs recorder_notice_check under Wine, posted and sent: the program, the
# tree's recording library as vqdtrm4hid.dll and the simulated controller as
# vqdtrm4hid_maker.dll in a folder of their own, where the recording lands.
#
#   tests/recorder/test_recorder_notices.sh TREE
set -u
tree=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lib/wine.sh"

exe=$tree/bin/recorder_notice_check.exe
if [ "$(vqd_pe_machine "$exe")" = x86 ] && ! vqd_runs_32bit_code; then
    echo "NOT RUN: the 32-bit check: $VQD_NO_32BIT_CODE"
    exit 77
fi

export WINEPREFIX=$tree/wineprefix
"$root/scripts/wine-run.sh" --prepare || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for way in posted sent; do
    folder=$work/$way
    mkdir -p "$folder"
    cp "$exe" "$folder/"
    cp "$tree/recorder/vqdtrm4hid.dll" "$folder/vqdtrm4hid.dll"
    cp "$tree/bin/vqdtrm4hid.dll" "$folder/vqdtrm4hid_maker.dll"
    scenario="fault=status:2:remove;arrive_ms=100"
    [ "$way" = posted ] || scenario="$scenario;send=1"
    # Hidden windows under Wine need an X display.
    run=("$root/scripts/wine-run.sh" "$folder/recorder_notice_check.exe" "$way")
    [ -n "${DISPLAY:-}" ] || run=(bash "$root/tests/support/with_xvfb.sh" "${run[@]}")
    VQDTRM4_SIM=$scenario "${run[@]}" || { echo "FAIL: notices $way through the recorder" >&2; status=1; }
done
exit $status
