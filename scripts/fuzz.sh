#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang, from fuzz/) and runs
# them through CTest: fuzz.update_file, fuzz.answers and fuzz.scenario, each
# for VQD_FUZZ_SECONDS seconds (60 by default) on a fresh copy of its seed
# corpus in fuzz/corpus/<target>/. A finding fails its test and leaves the
# input that caused it in build-fuzz/runs/<target>/.
#
#   scripts/fuzz.sh [ctest args]             e.g. scripts/fuzz.sh -R answers
#   VQD_FUZZ_SECONDS=600 scripts/fuzz.sh     longer runs
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

. scripts/lib/build-tree.sh
vqd_configure_once fuzz build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -- -DVQD_FUZZ_SECONDS="${VQD_FUZZ_SECONDS:-60}"
cmake --build build-fuzz -j"$(nproc)"
cd build-fuzz
ctest --output-on-failure "$@"
