#!/usr/bin/env bash
# Builds if needed, puts a valid sample update file beside the program and
# starts it against the simulated controller. VQDTRM4_SIM, when set, chooses
# the simulated controller's scenario (see sim/README.md); by default the
# controller answers at USB pace and is a little busy after every block, so
# that the progress bar can be watched.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh --target VQDTRM4_UpdateProgram vqdtrm4hid make_update_file

bin=build/bin
if ! ls "$bin"/vqdtrm4__v*.bin >/dev/null 2>&1; then
    "$bin/make_update_file" --version 1.02 --date 20240318 "$bin/vqdtrm4__v102.bin"
fi

export VQDTRM4_SIM="${VQDTRM4_SIM:-framed=1;busy=2}"
exec "$bin/VQDTRM4_UpdateProgram"
