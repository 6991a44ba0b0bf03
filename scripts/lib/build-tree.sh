# Configuring a CMake build tree of this project the same way from every
# script: through ccache when it is there, and only once. Source it.

VQD_SOURCE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# vqd_ccache_launcher: sets VQD_LAUNCHER to the CMake options that compile
# through ccache (none without ccache) and exports CCACHE_BASEDIR, the source
# root: ccache then hashes paths relative to it, so that all the trees (and
# clones elsewhere) share their cached objects. CCACHE_NOHASHDIR does the
# same for the trees built with debug information (the sanitizer and fuzz
# trees), whose objects ccache would otherwise keep apart for every folder a
# clone is in, so that CI, which builds a fresh clone in a new folder each
# time, never found them: such an object's debug information then names the
# folder of the clone that compiled it first, which only the file paths of a
# stack trace show.
vqd_ccache_launcher() {
    VQD_LAUNCHER=()
    if command -v ccache >/dev/null 2>&1; then
        VQD_LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        export CCACHE_BASEDIR=$VQD_SOURCE_ROOT
        export CCACHE_NOHASHDIR=1
    fi
}

# vqd_configure_once SOURCE TREE [OPTIONS...] [-- OPTIONS...]: configures
# TREE from SOURCE when it has no cache yet, with all the options and the
# ccache launcher. A configured tree keeps its cache, so that a rebuild does
# not run CMake again, except that options after "--" are applied to it each
# time they are given (its output is not repeated then); an option of the
# first kind that differs from the tree's is named, not applied. Exports
# CCACHE_BASEDIR for the build that follows.
vqd_configure_once() {
    local source=$1 tree=$2; shift 2
    local setup=() always=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do setup+=("$1"); shift; done
    [ $# -eq 0 ] || { shift; always=("$@"); }
    vqd_ccache_launcher
    if [ ! -f "$tree/CMakeCache.txt" ]; then
        cmake -S "$source" -B "$tree" "${setup[@]}" "${VQD_LAUNCHER[@]}" "${always[@]}"
    else
        vqd_say_kept_options "$tree" "${setup[@]}"
        [ ${#always[@]} -eq 0 ] || cmake -S "$source" -B "$tree" "${always[@]}" >/dev/null
    fi
}

# vqd_say_kept_options TREE [OPTIONS...]: names each -DNAME=VALUE that the
# configured TREE holds with another value, which it keeps; so a changed
# option does not seem to have been taken.
vqd_say_kept_options() {
    local tree=$1; shift
    local option name value cached
    for option in "$@"; do
        [[ "$option" =~ ^-D([A-Za-z0-9_]+)(:[A-Z]+)?=(.*)$ ]] || continue
        name=${BASH_REMATCH[1]} value=${BASH_REMATCH[3]}
        cached=$(sed -n "s/^$name:[A-Z]*=//p" "$tree/CMakeCache.txt" | head -1)
        [ "$cached" = "$value" ] \
            || echo "$tree keeps $name=$cached from its first configuration ($value not applied; remove $tree to change it)" >&2
    done
}
