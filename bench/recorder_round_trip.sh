#!/usr/bin/env bash
# What the recording library (recorder/) adds to a round trip: whole updates
# of the real program against the simulated controller, alternately with the
# simulated library as the program's own and with the recorder in its place
# (the simulated library beside it as the maker's), timed from Start to the
# completion screen. Prints the median of each and the difference per round
# trip (the commands of the update, counted in a recording).
#
#   bench/recorder_round_trip.sh build/bin [runs] [scenario]
#   bench/recorder_round_trip.sh build-windows/bin 3          # under Wine
#
# The completion screen is looked for every 0.2 s or so, which blurs each
# time by that much: a difference per round trip below a few microseconds
# is noise.
set -u
source "$(dirname "$0")/../tests/e2e/screens.sh"
e2e_setup "$1"
runs=${2:-3}
scenario=${3:-}

recorder_dir=$(cd "$1/.." && pwd)/recorder
case "$E2E_PLATFORM" in
    linux) library=libvqdtrm4hid.so maker=libvqdtrm4hid_maker.so ;;
    windows) library=vqdtrm4hid.dll maker=vqdtrm4hid_maker.dll ;;
esac
app=$E2E_TMP/app
cp "$app/$library" "$app/$maker"
e2e_update_file vqdtrm4__v102.bin --version 1.02 --date 20240318

# One update; the seconds from Start to the completion screen in SECONDS_TAKEN.
timed_update() {
    e2e_start "date=20230715;$scenario"
    e2e_wait_for e2e_on_language_screen
    e2e_key Return
    e2e_wait_for e2e_on_ready_screen
    e2e_key Return
    local start end
    start=$(date +%s.%N)
    e2e_wait_for e2e_on_completion_screen "$E2E_UPDATE_SECONDS"
    end=$(date +%s.%N)
    e2e_key Return
    e2e_expect_exit 0
    SECONDS_TAKEN=$(echo "$end - $start" | bc)
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

without=()
with=()
for _ in $(seq 1 "$runs"); do
    cp "$app/$maker" "$app/$library"
    timed_update
    without+=("$SECONDS_TAKEN")
    cp "$recorder_dir/$library" "$app/$library"
    rm -f "$app"/vqdtrm4-recording-*.txt
    timed_update
    with+=("$SECONDS_TAKEN")
done
round_trips=$(grep -c ' > HID_Write ' "$app"/vqdtrm4-recording-*.txt)
a=$(printf '%s\n' "${without[@]}" | median)
b=$(printf '%s\n' "${with[@]}" | median)
echo "without the recorder: ${without[*]} s (median $a)"
echo "with the recorder:    ${with[*]} s (median $b)"
awk -v a="$a" -v b="$b" -v n="$round_trips" \
    'BEGIN { printf "%d round trips: %.1f us each without, %.1f us with; the recorder adds %.1f us a round trip\n", n, a * 1e6 / n, b * 1e6 / n, (b - a) * 1e6 / n }'
