#!/usr/bin/env bash
# What waiting on the ready screen costs: the program's CPU time over 10 s
# while it shows the ready screen, as a share of one core.
#
#   bench/ready_screen_cpu.sh build/bin [seconds]
set -u
source "$(dirname "$0")/../tests/e2e/screens.sh"
e2e_setup "$1"
seconds="${2:-10}"

e2e_update_file vqdtrm4__v102.bin
e2e_start "date=20230715"
e2e_wait_for e2e_on_language_screen
e2e_key Return
e2e_wait_for e2e_on_ready_screen
sleep 1

ticks() { awk '{ print $14 + $15 }' "/proc/$PROGRAM_PID/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)

awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "ready screen: %.2f s of CPU in %d s, %.1f %% of one core\n", t / hz, s, 100 * t / hz / s }'
kill -INT "$PROGRAM_PID"
e2e_expect_exit 0
