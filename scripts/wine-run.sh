#!/usr/bin/env bash
# Runs a Windows program of the Windows build under Wine, in the build's own
# Wine prefix (build-windows/wineprefix), which it sets up on first use:
# no window manager integration (without a window manager every hidden
# window would otherwise wait two seconds), and the five font names of the
# program mapped to installed Debian fonts so that every language draws real
# glyphs. Used as CTest's emulator and by the Wine end-to-end tests. Each
# program is started by the Wine loader of its own machine type, the prefix's
# tools by the 64-bit one (scripts/lib/wine.sh says why).
#
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
#   scripts/wine-run.sh --prepare        (only sets up the prefix)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib/wine.sh"

export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
export WINEARCH=win64
# The loader Wine itself starts processes with (wineboot's helpers, a
# program's children), as Debian's wrapper sets it where it takes wine64: the
# 64-bit one for the prefix's tools, the program's own for the program.
export WINELOADER=$VQD_WINE64_LOADER

prepare_prefix()
{
    [ -f "$WINEPREFIX/.vqd-ready" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Several tests may start at once; one sets the prefix up.
    exec 8>"$WINEPREFIX.lock"
    flock 8
    if [ ! -f "$WINEPREFIX/.vqd-ready" ]; then
        "$VQD_WINE64_LOADER" wineboot -i >/dev/null 2>&1 || true
        "$VQD_WINE64_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
        local pair
        for pair in "Verdana=DejaVu Sans" \
                    "MS PGothic=Noto Sans CJK JP" \
                    "Microsoft YaHei=Noto Sans CJK SC" \
                    "Microsoft JhengHei=Noto Sans CJK TC" \
                    "Malgun Gothic=Noto Sans CJK KR"; do
            "$VQD_WINE64_LOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null
        done
        # The registry is written when the server ends.
        wineserver -w
        touch "$WINEPREFIX/.vqd-ready"
    fi
    flock -u 8
    exec 8>&-
}

prepare_prefix

if [ "${1:-}" = "--prepare" ]; then
    exit 0
fi

loader=$(vqd_wine_loader "$1") || exit 126
export WINELOADER=$loader

# Windows always has a desktop. Wine without an X display has none, and
# there a thread other than the first cannot make a window (the notification
# window has a thread of its own): a run without a display gets a virtual
# one for itself.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    display_file=$(mktemp)
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$display_file" >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null' EXIT
    for _ in $(seq 100); do
        grep -q '[0-9]' "$display_file" && break
        sleep 0.05
    done
    export DISPLAY=":$(tr -dc '0-9' < "$display_file")"
    rm -f "$display_file"
    status=0
    "$loader" "$@" || status=$?
    exit "$status"
fi

exec "$loader" "$@"
