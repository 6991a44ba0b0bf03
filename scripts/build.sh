#!/usr/bin/env bash
# Configures and builds everything into build/ (program, library, tools,
# tests, benchmarks). Extra arguments are passed to the build, such as a
# --target.
set -euo pipefail
cd "$(dirname "$0")/.."

launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
fi
cmake --build build -j"$(nproc)" "$@"
