#!/usr/bin/env bash
# Configures and builds everything into build/ (program, library, tools,
# tests, benchmarks). Extra arguments are passed to the build, such as a
# --target.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/build-tree.sh

vqd_configure_once . build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" "$@"
