#!/usr/bin/env bash
# Runs the Windows build's tests under Wine (build it first with
# scripts/build-windows.sh): the suites of the update engine, the device link
# and the localisation as Windows programs, and the real program end to end
# under Wine on Xvfb against the simulated controller built as
# vqdtrm4hid.dll. Extra arguments go to CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

[ -f build-windows/bin/VQDTRM4_UpdateProgram.exe ] \
    || { echo "no Windows build: run scripts/build-windows.sh first" >&2; exit 1; }

# The Wine prefix of the build, made once and kept in build-windows/.
scripts/wine-run.sh --prepare

# The suites create hidden windows, for which Wine needs an X display; the
# end-to-end tests start X servers of their own.
status=0
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    ctest --test-dir build-windows --output-on-failure "$@" || status=$?

# Nothing of the Wine prefix lives on after the run.
WINEPREFIX="$PWD/build-windows/wineprefix" wineserver -k 2>/dev/null || true
exit $status
