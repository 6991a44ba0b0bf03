#!/usr/bin/env bash
# with_xvfb.sh COMMAND...: runs COMMAND with DISPLAY on an X server of its
# own, 1280 x 1024 at 24 bits, and ends the server after it: the end-to-end
# scripts' own e2e_start_xvfb and clean-up, whose server picks a free display
# number itself (-displayfd), so that servers started at the same moment by
# tests running side by side never take the same one. Ends with COMMAND's
# status.
E2E_NAME=${E2E_NAME:-with_xvfb}
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
e2e_start_xvfb >&2
"$@"
