#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: unit and
# integration suites against the simulated controller, and the end-to-end
# runs of the real program under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure "$@"
