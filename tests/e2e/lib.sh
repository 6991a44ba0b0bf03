# Shared helpers of the end-to-end scripts: a private X server, processes
# that are cleaned up whatever happens, bounded waits, and window queries.
#
# Source it from a test script; it sets `set -u` and installs an EXIT trap.
# Every wait here has an upper bound only so that a broken program cannot
# hang the run: the scripts assert on what happened, never on how long it
# took.

set -u

E2E_PIDS=()
E2E_TMP=""
E2E_NAME="${E2E_NAME:-$(basename "$0" .sh)}"

e2e_log()  { echo "[$E2E_NAME] $*"; }

# Ends the test. A script may define e2e_failure_evidence to keep what helps
# to see why (screens.sh takes a screenshot of the program's window).
e2e_fail() {
    if declare -F e2e_failure_evidence >/dev/null; then
        e2e_failure_evidence
    fi
    echo "[$E2E_NAME] FAIL: $*" >&2
    exit 1
}

# Remembers a process that the cleanup must end.
e2e_track() { E2E_PIDS+=("$1"); }

# In the sanitizer trees (scripts/test.sh --sanitize=...) every program the
# test starts writes what its sanitizer reports (an error, a leak, the stack
# of a failed JUCE assertion's abort) to a file of its own in
# E2E_SANITIZER_REPORTS, where a later start cannot overwrite it as it would
# a log; the test fails at exit when any report is there.
E2E_SANITIZER_REPORTS=""
e2e_sanitizer_reports_into() {
    local var found=""
    for var in ASAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
        if [ -n "${!var:-}" ]; then
            export "$var=${!var}:log_path=$1/report"
            found=1
        fi
    done
    if [ -n "$found" ]; then
        mkdir -p "$1" || e2e_fail "no folder for sanitizer reports"
        E2E_SANITIZER_REPORTS=$1
    fi
}

# Prints the reports that the programs wrote; false when there are any.
e2e_no_sanitizer_reports() {
    [ -n "$E2E_SANITIZER_REPORTS" ] && [ -d "$E2E_SANITIZER_REPORTS" ] || return 0
    local report clean=0
    for report in "$E2E_SANITIZER_REPORTS"/report.*; do
        [ -e "$report" ] || continue
        echo "[$E2E_NAME] sanitizer report $(basename "$report"):" >&2
        cat "$report" >&2
        clean=1
    done
    return $clean
}

# Runs at exit. It does not call exit itself, so the script ends with the
# status it was ending with, also when a script runs this from a trap of its
# own after other work; a sanitizer report only sets E2E_REPORTED=1, which
# the trap below turns into a failure. E2E_KEEP=1 keeps the temporary folder
# always, E2E_KEEP_ON_FAILURE=1 only when the script failed.
E2E_REPORTED=""
e2e_cleanup() {
    local status=$?
    local pid
    # Newest first: clients go before the X server they talk to.
    for (( i=${#E2E_PIDS[@]}-1; i>=0; i-- )); do
        pid=${E2E_PIDS[$i]}
        if kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid" 2>/dev/null
            for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -KILL "$pid" 2>/dev/null
        fi
        wait "$pid" 2>/dev/null
    done
    # Every program has ended now, and written all it had to report.
    if ! e2e_no_sanitizer_reports; then
        E2E_REPORTED=1
        status=1
        echo "[$E2E_NAME] FAIL: a sanitizer or a JUCE assertion reported the above" >&2
    fi
    if [ -n "${E2E_PRIVATE_VARTMP:-}" ]; then
        umount /var/tmp 2>/dev/null
        rm -rf "$E2E_PRIVATE_VARTMP"
    fi
    if [ -n "$E2E_TMP" ] && [ -d "$E2E_TMP" ]; then
        if [ "${E2E_KEEP:-0}" = 1 ] || { [ "$status" -ne 0 ] && [ -n "${E2E_KEEP_ON_FAILURE:-}" ]; }; then
            echo "[$E2E_NAME] kept $E2E_TMP" >&2
        else
            rm -rf "$E2E_TMP"
        fi
    fi
    E2E_PIDS=()
    E2E_TMP=""
    E2E_PRIVATE_VARTMP=""
    E2E_SANITIZER_REPORTS=""
}
trap 'e2e_cleanup; [ -z "$E2E_REPORTED" ] || exit 1' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The program is single-instance for the whole machine: JUCE's lock is a file
# in /var/tmp and the hand-over a socket in the abstract namespace. So that a
# test neither meets another run of the program on this machine nor
# disturbs one, the calling script is run again in namespaces of its own:
# a private /var/tmp (mount), its own abstract sockets (network; nothing
# here uses the network) and its own processes (pid: whatever is left when
# the script ends goes with it). The X server's socket and lock files in
# /tmp stay shared, so Xvfb still picks a display number nobody else uses.
# Without the rights for namespaces, the script runs as it is.
# Call it first, with the script's arguments: e2e_isolate "$@"
e2e_isolate() {
    if [ -n "${E2E_ISOLATED:-}" ]; then
        local private
        private=$(mktemp -d "${TMPDIR:-/tmp}/vqd_e2e_vartmp_XXXXXX") || e2e_fail "no temporary folder"
        chmod 1777 "$private"
        mount --bind "$private" /var/tmp || e2e_fail "could not give the test a private /var/tmp"
        E2E_PRIVATE_VARTMP=$private
        return 0
    fi
    if command -v unshare >/dev/null 2>&1 \
        && unshare --mount --net --pid --fork --mount-proc true >/dev/null 2>&1; then
        trap - EXIT
        exec env E2E_ISOLATED=1 unshare --mount --net --pid --fork --mount-proc --kill-child=SIGTERM \
            bash "$0" "$@"
    fi
    e2e_log "no namespaces here: running alongside whatever else runs on this machine"
}

e2e_need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || e2e_fail "needs '$tool' (Debian: xvfb, xdotool, x11-utils)"
    done
}

e2e_tmpdir() {
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/vqd_e2e_XXXXXX") || e2e_fail "no temporary folder"
    e2e_sanitizer_reports_into "$E2E_TMP/sanitizer"
}

# Polls COMMAND... until it succeeds; returns 1 after SECONDS (a guard only).
e2e_poll() {
    local seconds=$1; shift
    local end=$(( $(date +%s) + seconds ))
    while ! "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -ge "$end" ] && return 1
        sleep 0.1
    done
    return 0
}

# e2e_wait_for SECONDS COMMAND...: the same. (screens.sh adds a second form
# for its screen checks; the helpers here call e2e_poll, which stays put.)
e2e_wait_for() { e2e_poll "$@"; }

# Starts Xvfb on a display number that no other server uses (it picks one
# itself through -displayfd and tells us once it accepts clients), and
# exports DISPLAY.
e2e_start_xvfb() {
    local geometry=${1:-1280x1024x24}
    [ -n "$E2E_TMP" ] || e2e_tmpdir
    local fdfile="$E2E_TMP/display"
    : > "$fdfile"
    Xvfb -displayfd 9 -screen 0 "$geometry" -nolisten tcp -noreset \
        9>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    e2e_track "$E2E_XVFB_PID"

    e2e_poll 20 grep -q '[0-9]' "$fdfile" \
        || { cat "$E2E_TMP/xvfb.log" >&2; e2e_fail "Xvfb did not start"; }
    export DISPLAY=":$(tr -dc '0-9' < "$fdfile")"
    e2e_poll 20 xwininfo -root \
        || e2e_fail "Xvfb on $DISPLAY does not answer"
    e2e_log "Xvfb on $DISPLAY ($geometry)"
}

# Watches the creation, mapping and restacking of top-level windows: xev
# prints every event of the root window's children to E2E_XEV_LOG.
e2e_watch_toplevels() {
    E2E_XEV_LOG="$E2E_TMP/toplevels.log"
    xev -root -event substructure >"$E2E_XEV_LOG" 2>/dev/null &
    e2e_track $!

    # xev asks for the root window's events a moment after it starts, and a
    # window made before then goes unseen (it happened once, on a loaded
    # machine, to the program's first window). Return only once the watch has
    # seen a window of our own making come. That window stays, for
    # e2e_watch_sync to move.
    local probe
    for _ in $(seq 1 20); do
        xmessage -name vqd_watch_probe -geometry 10x10+0+0 probe >/dev/null 2>&1 &
        probe=$!
        if e2e_poll 2 grep -q CreateNotify "$E2E_XEV_LOG"; then
            e2e_track "$probe"
            E2E_WATCH_WINDOW=$(e2e_first_id_within 10 xdotool search --onlyvisible --classname vqd_watch_probe) \
                || e2e_fail "the window watch's own window did not show"
            return 0
        fi
        kill "$probe" 2>/dev/null
        wait "$probe" 2>/dev/null
    done
    e2e_fail "the window watch saw no window being made"
}

# Lines of the watch log so far, to look at what came after.
e2e_watch_mark() { wc -l < "$E2E_XEV_LOG"; }

# The watch log after a mark.
e2e_watch_since() { tail -n +"$(( $1 + 1 ))" "$E2E_XEV_LOG"; }

# e2e_watch_sync X Y: makes sure the watch has seen every event up to now:
# moves the watch's own window to X Y (somewhere it is not) and waits for the
# event this causes, which the X server sends after all earlier ones. (Not a
# window of the test's: Wine, told by X that one of its windows moved, can
# lose track of its windows' order.)
e2e_watch_sync() {
    local hex
    hex=$(e2e_hex "$E2E_WATCH_WINDOW")
    xdotool windowmove "$E2E_WATCH_WINDOW" "$1" "$2"
    e2e_poll 15 grep -q "window $hex, ($1,$2)" "$E2E_XEV_LOG"
}

# Window ids are compared as numbers: xdotool prints decimal, xwininfo hex.
e2e_hex() { printf '0x%x' "$1"; }

# The visible top-level windows of a process (decimal ids, one a line).
e2e_windows_of() {
    xdotool search --onlyvisible --pid "$1" 2>/dev/null
}

# Waits for the first visible window of a process and prints its id.
e2e_wait_window_of() {
    local pid=$1 seconds=${2:-30}
    e2e_first_id_within "$seconds" _e2e_live_windows_of "$pid"
}

# The windows of a process while it runs; nothing (and failure) once it ended.
_e2e_live_windows_of() {
    kill -0 "$1" 2>/dev/null || return 2
    e2e_windows_of "$1"
}

# e2e_first_id_within SECONDS COMMAND...: runs the command every 0.1 s until
# it prints something, and prints its first line. Fails when time is up or
# when the command fails with status 2 (what it waits for can no longer come).
e2e_first_id_within() {
    local seconds=$1; shift
    local end=$(( $(date +%s) + seconds ))
    local ids status
    while :; do
        ids=$("$@" 2>/dev/null); status=$?
        [ "$status" = 2 ] && return 1
        if [ -n "$ids" ]; then
            echo "$ids" | head -n 1
            return 0
        fi
        [ "$(date +%s)" -ge "$end" ] && return 1
        sleep 0.1
    done
}

# "WIDTH HEIGHT X Y" of a window's client area, X and Y on the root window.
e2e_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/  { w = $NF }
        /^ *Height:/ { h = $NF }
        END { print w, h, x, y }'
}

# The top-level window (child of the root) that holds a window.
e2e_toplevel_of() {
    local id
    id=$(e2e_hex "$1")
    local root parent
    root=$(xwininfo -root | awk '/Window id:/ { print $4; exit }')
    while :; do
        parent=$(xwininfo -tree -id "$id" | awk '/Parent window id:/ { print $4; exit }')
        if [ -z "$parent" ] || [ "$parent" = "$root" ] || [ "$parent" = "0x0" ]; then
            echo "$id"
            return 0
        fi
        id=$parent
    done
}

# Position of a top-level window in the stacking order: 0 is the topmost.
# xwininfo lists the root's children from the top down.
e2e_stack_position() {
    local top
    top=$(e2e_toplevel_of "$1")
    xwininfo -root -children | awk -v want="$top" '
        /^ +0x[0-9a-f]+ / { if ($1 == want) { print n + 0; found = 1; exit } n++ }
        END { if (! found) print -1 }'
}

# True when window A is stacked above window B.
e2e_is_above() {
    local a b
    a=$(e2e_stack_position "$1")
    b=$(e2e_stack_position "$2")
    [ "$a" -ge 0 ] && [ "$b" -ge 0 ] && [ "$a" -lt "$b" ]
}

# Waits (bounded) for a child of this shell to end by itself. Sets
# E2E_STATUS to its exit status; returns 1 if it still runs.
E2E_STATUS=""
e2e_wait_exit() {
    local pid=$1 seconds=${2:-30}
    local end=$(( $(date +%s) + seconds ))
    E2E_STATUS=""
    while kill -0 "$pid" 2>/dev/null; do
        [ "$(date +%s)" -ge "$end" ] && return 1
        sleep 0.1
    done
    E2E_STATUS=0
    wait "$pid" || E2E_STATUS=$?
    return 0
}

# The process that holds JUCE's single-instance lock of an application
# (a POSIX lock on /var/tmp/juceAppLock_<name>), or nothing.
e2e_instance_lock_holder() {
    local file=/var/tmp/juceAppLock_$1
    [ -d /var/tmp ] || file=/tmp/juceAppLock_$1
    [ -e "$file" ] || return 0
    local inode
    inode=$(stat -c %i "$file") || return 0
    awk -v inode="$inode" '$2 == "POSIX" { split($6, id, ":"); if (id[3] == inode) { print $5; exit } }' /proc/locks
}

# The lines of a file, one an argument, are its first lines
# (e2e_file_starts_with FILE LINE...) or its last ones (e2e_file_ends_with).
# For the simulated controller's call log (VQDTRM4_SIM "log=FILE").
e2e_file_starts_with() {
    local file=$1; shift
    [ -f "$file" ] || return 1
    [ "$(head -n "$#" "$file")" = "$(printf '%s\n' "$@")" ]
}
e2e_file_ends_with() {
    local file=$1; shift
    [ -f "$file" ] || return 1
    [ "$(tail -n "$#" "$file")" = "$(printf '%s\n' "$@")" ]
}

# How many lines of a file are exactly LINE.
e2e_count_lines() {
    [ -f "$1" ] || { echo 0; return 0; }
    grep -cxF -- "$2" "$1" || true
}
