#!/usr/bin/env bash
# Runs the Windows builds' tests under Wine (build them first with
# scripts/build-windows.sh): in each tree that holds a program
# (build-windows/ for x64, build-windows-x86/ for x86), the suites of the
# update engine, the device link and the localisation as Windows programs,
# and the real program end to end under Wine on Xvfb against the simulated
# controller built as vqdtrm4hid.dll.
#
#   scripts/test-windows.sh [--arch x64|x86|all] [--tier every-change|long]
#                           [CTEST ARGS...]
#
# The every-change tier runs what differs on Windows in the x64 tree and the
# x86 package's checks (host tools); the long tier the rest of the x64 tree
# and, where this machine runs 32-bit code, the whole x86 tree.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/lib/packages.sh
. scripts/lib/wine.sh
. scripts/lib/windows-arch.sh

arches=(x64 x86)
tier=every-change
while [ $# -gt 0 ]; do
    case "$1" in
        --arch)
            case "${2:-}" in
                x64|x86) arches=("$2") ;;
                all) ;;
                *) echo "test-windows: --arch takes x64, x86 or all" >&2; exit 2 ;;
            esac
            shift 2 ;;
        --tier)
            case "${2:-}" in
                every-change|long) tier=$2 ;;
                *) echo "test-windows: --tier takes every-change or long" >&2; exit 2 ;;
            esac
            shift 2 ;;
        *) break ;;
    esac
done

mapfile -t present < <(vqd_built_trees "${arches[@]}")
[ ${#present[@]} -gt 0 ] || { echo "no Windows build: run scripts/build-windows.sh first" >&2; exit 1; }

status=0
for tree in "${present[@]}"; do
    if [ "$tree" = "$(vqd_arch_tree x86)" ]; then
        # The package checks use host tools only and run in every tier; the
        # suites and end-to-end runs of the x86 tree repeat the x64 tree's
        # in another architecture, and go to the long tier.
        if [ "$tier" = every-change ]; then
            select=(-R '^windows_package\.')
        elif ! vqd_runs_32bit_code; then
            # Nothing 32-bit starts on such a machine, under Wine or not.
            echo "NOT RUN: $VQD_NO_32BIT_CODE: the suites, end-to-end tests and vendor-DLL build of $tree" \
                 "need a machine that runs 32-bit code."
            continue
        else
            select=(-E '^windows_package\.')
        fi
    elif [ "$tier" = every-change ]; then
        select=(-LE long)
    else
        select=(-L long)
    fi
    echo "== Wine tests of $tree ($tier tier)"
    # The tree's Wine prefix, made once and kept beside its bin/.
    export WINEPREFIX="$PWD/$tree/wineprefix"
    scripts/wine-run.sh --prepare
    # The suites create hidden windows, for which Wine needs an X display;
    # the end-to-end tests start X servers of their own.
    bash tests/support/with_xvfb.sh \
        ctest --test-dir "$tree" -j2 --output-on-failure "${select[@]}" "$@" || status=$?
    # Nothing of the Wine prefix lives on after the run.
    wineserver -k 2>/dev/null || true
done
exit $status
