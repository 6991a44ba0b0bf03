#!/usr/bin/env bash
# Runs the Windows builds' tests under Wine (build them first with
# scripts/build-windows.sh): in each tree that holds a program
# (build-windows/ for x64, build-windows-x86/ for x86), the suites of the
# update engine, the device link and the localisation as Windows programs,
# and the real program end to end under Wine on Xvfb against the simulated
# controller built as vqdtrm4hid.dll.
#
#   scripts/test-windows.sh [--arch x64|x86|all] [CTEST ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/lib/packages.sh
. scripts/lib/wine.sh
. scripts/lib/windows-arch.sh

arches=(x64 x86)
if [ "${1:-}" = "--arch" ]; then
    case "${2:-}" in
        x64|x86) arches=("$2") ;;
        all) ;;
        *) echo "test-windows: --arch takes x64, x86 or all" >&2; exit 2 ;;
    esac
    shift 2
fi

mapfile -t present < <(vqd_built_trees "${arches[@]}")
[ ${#present[@]} -gt 0 ] || { echo "no Windows build: run scripts/build-windows.sh first" >&2; exit 1; }

status=0
for tree in "${present[@]}"; do
    echo "== Wine tests of $tree"
    only=()
    if [ "$tree" = "$(vqd_arch_tree x86)" ] && ! vqd_runs_32bit_code; then
        # Nothing 32-bit starts on such a machine, under Wine or not: only
        # the checks of the x86 package, made with host tools, can run.
        echo "NOT RUN: $VQD_NO_32BIT_CODE: of $tree only the package checks run;" \
             "its suites, end-to-end tests and vendor-DLL build need a machine that runs 32-bit code."
        only=(-R '^windows_package\.')
    fi
    # The tree's Wine prefix, made once and kept beside its bin/.
    export WINEPREFIX="$PWD/$tree/wineprefix"
    scripts/wine-run.sh --prepare
    # The suites create hidden windows, for which Wine needs an X display;
    # the end-to-end tests start X servers of their own. A test that fails
    # is run once more: the single-instance test's covering window has, in
    # two whole runs of the x64 tree, stayed below the program after every
    # click (never when run alone); a fault of the program fails twice.
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        ctest --test-dir "$tree" --output-on-failure --repeat until-pass:2 "${only[@]}" "$@" || status=$?
    # Nothing of the Wine prefix lives on after the run.
    wineserver -k 2>/dev/null || true
done
exit $status
