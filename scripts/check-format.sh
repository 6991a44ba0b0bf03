#!/usr/bin/env bash
# Checks that every C and C++ file of ours is laid out as clang-format
# leaves it (the style is .clang-format, JUCE's); CI runs it first.
#
#   scripts/check-format.sh          reports each difference, fails on any
#   scripts/check-format.sh --fix    rewrites the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
vqd_install_packages clang-format

mode=(--dry-run -Werror)
if [ "${1:-}" = "--fix" ]; then
    mode=(-i)
fi
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format "${mode[@]}"
echo "clang-format: $(git ls-files '*.c' '*.cpp' '*.h' | wc -l) files as the style has them"
