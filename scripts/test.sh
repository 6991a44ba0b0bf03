#!/usr/bin/env bash
# Installs what is missing, builds and runs the tests: unit and integration
# suites against the simulated controller, and the end-to-end runs of the
# real program under Xvfb (docs/testing.md, "The two tiers").
#
#   scripts/test.sh [ctest args]                     the every-change tier:
#                                                    Release tree build/, the
#                                                    fuzzers briefly, the
#                                                    Windows builds under Wine
#   scripts/test.sh --long [ctest args]              the long tier: what the
#                                                    every-change tier leaves
#                                                    out (see docs/testing.md)
#   scripts/test.sh --sanitize=address [ctest args]  Debug tree build-asan/,
#                                                    AddressSanitizer with
#                                                    UndefinedBehaviorSanitizer
#   scripts/test.sh --sanitize=thread [ctest args]   Debug tree build-tsan/,
#                                                    ThreadSanitizer
#
# In the sanitizer trees JUCE's assertions are compiled in and abort, and a
# sanitizer report ends the process that makes it with a failure; what is
# not the project's own is suppressed by tests/sanitizers/*.supp. Those trees
# hold only the suites and end-to-end runs a sanitizer can find a fault in.
#
# Tests run two at a time, and the Wine tests beside the Linux ones; those
# that share a Wine prefix or need both cores say so to CTest
# (RESOURCE_LOCK, RUN_SERIAL). No test is run a second time after a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/build-tree.sh
. scripts/lib/windows-arch.sh

sanitize=""
tier=every-change
ctest_args=()
for arg in "$@"; do
    case "$arg" in
        --sanitize=*) sanitize=${arg#--sanitize=} ;;
        --long) tier=long ;;
        *) ctest_args+=("$arg") ;;
    esac
done

scripts/install-deps.sh

if [ -z "$sanitize" ]; then
    scripts/build.sh
    if [ "$tier" = long ]; then
        select=(-L long)
        # The fuzzers for long: ten minutes each unless told otherwise.
        export VQD_FUZZ_SECONDS="${VQD_FUZZ_SECONDS:-600}"
    else
        select=(-LE long)
        export VQD_FUZZ_SECONDS="${VQD_FUZZ_SECONDS:-10}"
    fi
    status=0
    # The Windows builds' suites under Wine, when any has been built
    # (scripts/build-windows.sh), run beside the Linux tests: one at a time
    # (they share the tree's Wine prefix), they mostly wait for Wine's server
    # and the programs' windows, and take less than half of the machine. Their
    # output is shown once the Linux tests have ended.
    wine_pid=""
    if [ -n "$(vqd_built_trees)" ]; then
        wine_log=build/wine-tests.log
        # A group of its own, so that an interrupted run takes it all down.
        setsid scripts/test-windows.sh --tier "$tier" "${ctest_args[@]}" >"$wine_log" 2>&1 &
        wine_pid=$!
        trap '[ -z "$wine_pid" ] || kill -- "-$wine_pid" 2>/dev/null || true' EXIT
    fi
    ctest --test-dir build -j2 --output-on-failure "${select[@]}" "${ctest_args[@]}" || status=1
    if [ -n "$wine_pid" ]; then
        wait "$wine_pid" || status=1
        wine_pid=""
        cat "$wine_log"
    fi
    # The fuzzers last, alone: the answers fuzzer's time limit per input
    # needs a core of its own.
    scripts/fuzz.sh "${ctest_args[@]}" || status=1
    exit $status
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
ctest --test-dir "$tree" -j2 --output-on-failure "${ctest_args[@]}"
