#!/usr/bin/env bash
# runs-on: linux windows
# under-sanitizers: yes
# The recording library (recorder/) between the real program and the maker's
# library, with the simulated controller in the maker's place
# (vqdtrm4hid_maker.dll, libvqdtrm4hid_maker.so): the recorder as the
# program's HID library beside it, as a user with a real controller sets it
# up (docs/windows/RECORDING.txt).
#
# A whole update must still end on the completion screen with the file in
# the flash, and its recording beside the program must hold every call of it:
# the header, the session opened and closed in order, every data command the
# update file needs, and for every command the worker sent its input notice
# and the answer the program read. Then the controller is pulled out during
# the block data: the recovery page, and a recording that ends with the
# removal notice and the session's closing calls.
#
# Then each fresh recording, compacted by vqd_recording, is replayed in the
# controller's place (VQDTRM4_SIM="replay=..."), with the simulated library
# as the program's own again: the program must send exactly the recorded
# commands and end on the same screen with the same flash. A recording made
# under Wine is replayed by the Linux build as well.
#
# Last, the recorder without the maker's library beside it: the program must
# show its own "not connected" screen, and the recording say why.
source "$(dirname "$0")/screens.sh"
e2e_setup "$1"
e2e_need_screens

recorder_dir=$(cd "$1/.." && pwd)/recorder
case "$E2E_PLATFORM" in
    linux) library=libvqdtrm4hid.so maker=libvqdtrm4hid_maker.so arch=linux ;;
    windows)
        library=vqdtrm4hid.dll maker=vqdtrm4hid_maker.dll
        arch=$(od -An -tx2 -j$(( $(od -An -tu4 -j60 -N4 "$1/VQDTRM4_UpdateProgram.exe" | tr -d ' ') + 4 )) -N2 \
                   "$1/VQDTRM4_UpdateProgram.exe" | tr -d ' ')
        case "$arch" in 8664) arch=x64 ;; 014c) arch=x86 ;; esac ;;
esac
[ -f "$recorder_dir/$library" ] || e2e_fail "no recording library at $recorder_dir/$library"
app=$E2E_TMP/app
mv "$app/$library" "$app/$maker"
# On Windows the recording names the maker's library by its version
# resource. The simulated library's is stamped 1.2.3.4 here, one number a
# word, so that a word read wrong or out of place shows.
maker_version=unknown
if [ "$E2E_PLATFORM" = windows ]; then
    /usr/bin/python3 - "$app/$maker" <<'PY' || e2e_fail "cannot stamp a version on $maker (python3-pefile)"
import sys, pefile
pe = pefile.PE(sys.argv[1])
info = pe.VS_FIXEDFILEINFO[0] if isinstance(pe.VS_FIXEDFILEINFO, list) else pe.VS_FIXEDFILEINFO
info.FileVersionMS, info.FileVersionLS = (1 << 16) | 2, (3 << 16) | 4
data = pe.write()
pe.close()
open(sys.argv[1], "wb").write(data)
PY
    maker_version=1.2.3.4
fi
cp "$recorder_dir/$library" "$app/$library"

# vqd_recording compact IN OUT, by the tool of the build being tested.
compact() {
    case "$E2E_PLATFORM" in
        linux) "$bin/vqd_recording" compact "$1" "$2" ;;
        windows) "$WINE_RUN" "$bin/vqd_recording.exe" compact "$(wine_path "$1")" "$(wine_path "$2")" ;;
    esac
}
bin=$(cd "$1" && pwd)

e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318

# The one recording a run leaves beside the program; fails unless exactly one.
the_recording() {
    local found=("$app"/vqdtrm4-recording-*.txt)
    [ ${#found[@]} = 1 ] && [ -f "${found[0]}" ] || return 1
    echo "${found[0]}"
}

# Every line after the header, with its time and thread taken off.
events() { sed '1,/^---$/d' "$1" | grep -v '^#' | cut -d' ' -f3-; }

# The calls that open and close a session, in the order they came.
session_calls() { events "$1" | grep -E '^[<>] HID_(Initialize|SetCallback|Start|Stop|Finalize)'; }

check_header() {
    local file=$1 size
    size=$(stat -c %s "$app/$maker")
    [ "$(sed -n '1,6p;8p' "$file")" = "$(printf '%s\n' 'vqdtrm4-recording 1' 'recorder 1.0.0' "arch $arch" \
        "maker $maker" "maker-version $maker_version" "maker-size $size" ---)" ] \
        || { head -8 "$file" >&2; e2e_fail "the header is not the recorder's, its architecture's and the maker library's"; }
    sed -n 7p "$file" | grep -qE '^started [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$' \
        || e2e_fail "no start time in the header: $(sed -n 7p "$file")"
    [[ "$(basename "$file")" =~ ^vqdtrm4-recording-[0-9]{8}-[0-9]{6}(-[0-9]+)?\.txt$ ]] || e2e_fail "the file is named $(basename "$file")"
    ! grep -q '^#' "$file" || e2e_fail "the recording says: $(grep '^#' "$file")"
    # Times never go back; threads are t1, t2, ... by first appearance.
    sed '1,/^---$/d' "$file" | awk '
        $1 < last { print "time goes back at line " NR ": " $0; bad = 1; exit }
        { last = $1 }
        !($2 in seen) { n++; if ($2 != "t" n) { print "thread " $2 " is the " n "th to appear"; bad = 1; exit } seen[$2] = 1 }
        END { exit bad }' || e2e_fail "the events are not in the recording's order"
}

# Pairs every command written with the answer the program read, in order:
# each write returned 1; each answer came after an input notice and echoes
# its command's target; only the finish command (0x06) goes unanswered.
# Prints the data commands written.
check_round_trips() {
    events "$1" | awk '
        BEGIN { head = 0; tail = 0 }
        function fail(why) { print why " (event " NR ": " $0 ")"; bad = 1; exit }
        # The first two bytes of a report, whose trailing zero bytes are left out.
        function start(hex) { if (hex == "-") hex = ""; while (length(hex) < 4) hex = hex "0"; return hex }
        $1 == ">" && $2 == "HID_Write" {
            if ($3 != 3 || $4 != 64) fail("a write not of 64 bytes to the controller")
            code = substr(start($5), 3, 2)
            if (code == "03") data++
            if (code != "06") pending[tail++] = substr(start($5), 1, 2)
            next }
        $1 == "<" && $2 == "HID_Write" { if ($3 != 1) fail("a write failed"); next }
        $1 == "notice" && $2 == "0x403" { notices++; next }
        $1 == ">" && $2 == "HID_Input" { if (notices <= inputs) fail("an input read without a notice"); next }
        $1 == "<" && $2 == "HID_Input" {
            inputs++
            if (head == tail) fail("an answer to no command")
            if ($3 != 64 || substr(start($4), 1, 2) != pending[head]) fail("an answer that does not echo its command " pending[head])
            head++; next }
        END { if (!bad && head != tail) { print tail - head " commands unanswered"; bad = 1 }
              if (!bad) print data + 0
              exit bad }'
}

# The data commands a file needs: its three images in blocks of up to
# 0x20000 bytes, 62 bytes a command.
needed_data_commands() {
    local total=0 size left block
    for size in $((0x90000)) $((0x140000)) $((0x10000)); do
        left=$size
        while [ "$left" -gt 0 ]; do
            block=$(( left < 0x20000 ? left : 0x20000 ))
            total=$(( total + (block + 61) / 62 ))
            left=$(( left - block ))
        done
    done
    echo "$total"
}

opening=$(printf '%s\n' '> HID_Initialize' '< HID_Initialize' '> HID_SetCallback window 0x403 0x402 0x401' \
    '< HID_SetCallback' '> HID_Start' '< HID_Start')
closing=$(printf '%s\n' '> HID_Stop' '< HID_Stop' '> HID_SetCallback null 0x0 0x0 0x0' '< HID_SetCallback' \
    '> HID_Finalize' '< HID_Finalize')

# --- A whole update through the recorder
e2e_start_update "date=20230715;dump=$E2E_TMP/flash.bin"
e2e_wait_for e2e_on_updating_screen
e2e_wait_for e2e_on_completion_screen "$E2E_UPDATE_SECONDS"
e2e_key Return
e2e_expect_exit 0
e2e_flash_holds "$app/vqdtrm4__v102.bin" "$E2E_TMP/flash.bin" || e2e_fail "the flash differs from the update file"

recording=$(the_recording) || e2e_fail "not one recording beside the program: $(ls "$app")"
check_header "$recording"
[ "$(session_calls "$recording")" = "$opening"$'\n'"$closing" ] \
    || { session_calls "$recording" >&2; e2e_fail "the session was not opened and closed in order"; }
data=$(check_round_trips "$recording") || e2e_fail "round trips: $data"
[ "$data" = "$(needed_data_commands)" ] || e2e_fail "$data data commands recorded, the file needs $(needed_data_commands)"
[ "$(events "$recording" | tail -n 6)" = "$closing" ] || e2e_fail "the recording does not end with the session's end"
echo "whole update: ok ($data data commands, $(wc -l < "$recording") lines, $(stat -c %s "$recording") bytes)"
mv "$recording" "$E2E_TMP/update-recording.txt"
mv "$E2E_TMP/flash.bin" "$E2E_TMP/update-flash.bin"

# --- Pulled out during the block data
# (That a recording never overwrites an earlier one of the same second is
# RecordingWriterTest's.)
e2e_start_update "fault=data:40:remove;dump=$E2E_TMP/flash.bin"
e2e_close_on_recovery_page
e2e_expect_exit 0

recording=$(the_recording) || e2e_fail "not one recording beside the program: $(ls "$app")"
check_header "$recording"
[ "$(events "$recording" | grep -c '^> HID_Write 3 64 ..03')" = 40 ] || e2e_fail "not 40 data commands before the removal"
# After the removal notice: the session's closing calls alone, but for the
# return of the write that met the removal, which its thread may record after
# the notice.
after=$(events "$recording" | sed -n '/^notice 0x401 3 0 posted$/,$p')
[ -n "$after" ] || e2e_fail "no removal notice in the recording"
[ "$(tail -n +2 <<<"$after" | grep -v '^< HID_Write ')" = "$closing" ] \
    || { echo "$after" >&2; e2e_fail "the recording does not end with the removal notice and the closing calls"; }
echo "removal during the block data: ok"
mv "$recording" "$E2E_TMP/removal-recording.txt"
mv "$E2E_TMP/flash.bin" "$E2E_TMP/removal-flash.bin"

# --- Both recordings replayed, by this build and, under Wine, by the Linux
# build too where there is one (the suite on Linux has built it first)
linux_bin=$(cd "$E2E_DIR/../.." && pwd)/build/bin
for run in update removal; do
    compact "$E2E_TMP/$run-recording.txt" "$E2E_TMP/$run-compact.txt" >"$E2E_TMP/compact.log" 2>&1 \
        || { cat "$E2E_TMP/compact.log" >&2; e2e_fail "vqd_recording compact refused the $run recording"; }
    end=completion
    [ "$run" = update ] || end=recovery
    builds=("$bin")
    if [ "$E2E_PLATFORM" = windows ] && [ -x "$linux_bin/VQDTRM4_UpdateProgram" ]; then
        builds+=("$linux_bin")
    fi
    for build in "${builds[@]}"; do
        bash "$E2E_DIR/replay_recording.sh" "$build" "$E2E_TMP/$run-compact.txt" "$E2E_TMP/$run-flash.bin" "$end" \
            vqdtrm4__v102.bin --version 1.02 --date 20240318 || e2e_fail "the replay of the $run by $build failed"
    done
    echo "$run replayed: ok ($(stat -c %s "$E2E_TMP/$run-compact.txt") bytes compacted)"
done

# --- No maker's library beside the recorder
cp "$recorder_dir/$library" "$app/$library"
rm "$app/$maker"
e2e_start ""
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_shows_warning
[ "$(e2e_window_size)" = 406x154 ] && e2e_left_button_hidden || e2e_fail "not the not-connected screen"
e2e_click 336 124    # Close
e2e_expect_exit 0
recording=$(the_recording) || e2e_fail "not one recording beside the program: $(ls "$app")"
grep -q "^# the maker's library $maker " "$recording" || e2e_fail "the recording does not say that $maker is missing"
# A recording is sent to us: it names files, never the user's folders.
folders=(-e "$app")
[ "$E2E_PLATFORM" != windows ] || folders+=(-e "$(wine_path "$app")")
! grep -F "${folders[@]}" "$recording" >/dev/null \
    || e2e_fail "the recording names the program's folder: $(grep -F "${folders[@]}" "$recording")"
events "$recording" | grep -qx '< HID_EnumHIDno 0' || e2e_fail "the recorder listed a device without the maker's library"
echo "no maker's library: ok"
