#!/usr/bin/env bash
# with_xvfb.sh COMMAND...: runs COMMAND with DISPLAY on an X server of its
# own, 1280 x 1024 at 24 bits, and ends the server after it. The server picks
# a free display number itself (-displayfd), so that servers started at the
# same moment by tests running side by side never take the same one, as
# xvfb-run -a's look for a free number can.
set -euo pipefail
fdfile=$(mktemp "${TMPDIR:-/tmp}/vqd_xvfb_XXXXXX")
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fdfile" >"$fdfile.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -f "$fdfile" "$fdfile.log"' EXIT
# The number is written once the server accepts clients.
until grep -q '[0-9]' "$fdfile"; do
    kill -0 "$xvfb" 2>/dev/null || { cat "$fdfile.log" >&2; echo "with_xvfb: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
DISPLAY=":$(tr -dc '0-9' <"$fdfile")" "$@"
