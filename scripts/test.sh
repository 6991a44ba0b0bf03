#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: unit and
# integration suites against the simulated controller, and the end-to-end
# runs of the real program under Xvfb.
#
#   scripts/test.sh [ctest args]                     Release tree build/
#   scripts/test.sh --sanitize=address [ctest args]  Debug tree build-asan/,
#                                                    AddressSanitizer with
#                                                    UndefinedBehaviorSanitizer
#   scripts/test.sh --sanitize=thread [ctest args]   Debug tree build-tsan/,
#                                                    ThreadSanitizer
#
# In the sanitizer trees JUCE's assertions are compiled in and abort, and a
# sanitizer report ends the process that makes it with a failure; what is
# not the project's own is suppressed by tests/sanitizers/*.supp.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/build-tree.sh
. scripts/lib/windows-arch.sh

sanitize=""
ctest_args=()
for arg in "$@"; do
    case "$arg" in
        --sanitize=*) sanitize=${arg#--sanitize=} ;;
        *) ctest_args+=("$arg") ;;
    esac
done

scripts/install-deps.sh

if [ -z "$sanitize" ]; then
    scripts/build.sh
    cd build
    ctest --output-on-failure "${ctest_args[@]}"
    ../scripts/fuzz.sh "${ctest_args[@]}"
    # The Windows builds' suites under Wine, when any has been built
    # (scripts/build-windows.sh).
    if [ -n "$(cd .. && vqd_built_trees)" ]; then
        ../scripts/test-windows.sh
    fi
    exit 0
fi

supp="$PWD/tests/sanitizers"
case "$sanitize" in
    address)
        tree=build-asan
        # Reports go to stderr and end the process with status 1; an abort
        # (a failed JUCE assertion) prints the stack that led to it.
        export ASAN_OPTIONS="halt_on_error=1:handle_abort=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1"
        export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
        ;;
    thread)
        tree=build-tsan
        export TSAN_OPTIONS="halt_on_error=1:handle_abort=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp:print_suppressions=0"
        ;;
    *)
        echo "scripts/test.sh: --sanitize takes address or thread, not '$sanitize'" >&2
        exit 2
        ;;
esac

vqd_configure_once . "$tree" -DCMAKE_BUILD_TYPE=Debug -DVQD_SANITIZE="$sanitize"
# Building runs the test programs once to list their tests, under the same
# options as the tests.
cmake --build "$tree" -j"$(nproc)"
cd "$tree"
ctest --output-on-failure "${ctest_args[@]}"
