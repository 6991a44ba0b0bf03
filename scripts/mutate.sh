#!/usr/bin/env bash
# Planted faults: shows that the every-change tests catch the slips a
# developer of this program makes and a user would suffer from.
#
# Each tests/mutants/NN-short-name.patch plants one such slip in the
# program's own code (update/, device/, ui/, localisation/, app/): a length
# off by one, an inverted comparison, a lost check, a wrong error
# identifier, a text under the wrong key, a wrong screen for a state... Its
# first line, before the diff, says in one sentence what it plants and what
# a user would suffer. For each patch, one at a time, this script applies it
# to this checkout, rebuilds the Release tree (scripts/build.sh, incremental),
# runs the every-change tier of the Linux tests and says
#
#   KILLED <patch> by <first failing test>
#   SURVIVED <patch>     (every test passed: a gap in the tests)
#   BROKEN <patch>       (it does not apply, or does not build: a planted
#                         fault must build to say anything about the tests)
#
# then a summary line ("mutants: 27 killed, 1 survived, 0 broken"), and ends
# non-zero when any survived or broke. A survivor is either a gap in the
# tests, to close with the cheapest test that sees the fault, or a patch that
# cannot change behaviour, to replace with one that can.
#
# Usage: scripts/mutate.sh [--every-failure] [PATCH...]
#                                        (default: every tests/mutants/*.patch)
#
# --every-failure runs the whole tier for each patch instead of stopping at
# the first failure, and names every test that failed
# ("KILLED <patch> by 3 tests: A B C"): which tests catch which faults, for
# finding the one test of several that a fault needs. It takes several
# times as long.
#
# The source is restored after each patch (git apply -R), also when the
# script is interrupted; the build tree is left built from the last mutant,
# and the next scripts/build.sh rebuilds what it needs. It refuses to start
# while the program's folders have uncommitted changes: those would be
# tested along with every patch, and a patch reverted over them could take
# them away. Each mutant's test log is kept as build/mutants/<name>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

program_folders=(app device update ui localisation)

if ! git diff --quiet HEAD -- "${program_folders[@]}" \
    || [ -n "$(git ls-files --others --exclude-standard -- "${program_folders[@]}")" ]; then
    echo "mutate.sh: uncommitted changes in ${program_folders[*]}; commit or stash them first" >&2
    git status --short -- "${program_folders[@]}" >&2
    exit 2
fi

stop=(--stop-on-failure)
if [ "${1:-}" = --every-failure ]; then
    stop=()
    shift
fi

if [ $# -gt 0 ]; then
    patches=("$@")
else
    patches=(tests/mutants/*.patch)
fi

for patch in "${patches[@]}"; do
    [ -f "$patch" ] || { echo "mutate.sh: no patch $patch" >&2; exit 2; }
done

log_dir=build/mutants
mkdir -p "$log_dir"

# The patch applied right now, for the trap; empty when the source is clean.
applied=""

restore() {
    if [ -n "$applied" ]; then
        git apply -R "$applied" || echo "mutate.sh: could not revert $applied; restore the source by hand" >&2
        applied=""
    fi
}
trap restore EXIT
trap 'exit 130' INT TERM HUP

killed=0 survived=0 broken=0

for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    log="$log_dir/$name.log"

    if ! git apply --check "$patch" 2>"$log"; then
        echo "BROKEN $patch (does not apply)"
        broken=$((broken + 1))
        continue
    fi
    git apply "$patch"
    applied=$patch

    if ! scripts/build.sh >>"$log" 2>&1; then
        echo "BROKEN $patch (does not build; see $log)"
        broken=$((broken + 1))
        restore
        continue
    fi

    # CTest runs the tests that failed last time first, which often kill the
    # next mutant too; its list of them is read only when this run wrote it.
    touch "$log_dir/.started"

    if ctest --test-dir build -LE long -j2 "${stop[@]}" --output-on-failure >>"$log" 2>&1; then
        echo "SURVIVED $patch"
        survived=$((survived + 1))
    else
        # Lines are "NUMBER:NAME"; with two tests running at once two may
        # have failed before the run stopped; the first one listed is named.
        failed=()
        if [ build/Testing/Temporary/LastTestsFailed.log -nt "$log_dir/.started" ]; then
            mapfile -t failed < <(cut -d: -f2- build/Testing/Temporary/LastTestsFailed.log)
        fi
        if [ ${#failed[@]} -eq 0 ]; then
            echo "KILLED $patch by an unnamed failure (see $log)"
        elif [ ${#stop[@]} -gt 0 ]; then
            echo "KILLED $patch by ${failed[0]}"
        elif [ ${#failed[@]} -eq 1 ]; then
            echo "KILLED $patch by 1 test: ${failed[0]}"
        else
            echo "KILLED $patch by ${#failed[@]} tests: ${failed[*]}"
        fi
        killed=$((killed + 1))
    fi

    restore
done

echo "mutants: $killed killed, $survived survived, $broken broken"
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
