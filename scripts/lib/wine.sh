# Wine for the Windows builds' tests: which loader starts which program, and
# how this machine runs 32-bit Windows programs, if at all. Source it.
#
# Debian's /usr/bin/wine (and wineboot, winecfg, ... through it) prefers the
# 32-bit loader /usr/lib/wine/wine whenever wine32:i386 is installed, for
# every program, 64-bit ones included: that loader is a 32-bit Linux program,
# so on a kernel that runs no 32-bit code it fails at once ("Exec format
# error", status 126) and takes the 64-bit programs down with it. So nothing
# here starts Wine through that wrapper: every program is started by the
# loader its own machine type needs (vqd_wine_loader), and the prefix's tools
# by the 64-bit one, with WINELOADER naming it for the processes Wine starts
# itself. The wineserver wrapper prefers the 64-bit server and is safe.
#
# 32-bit programs, the Debian way, run under wine32:i386 beside wine64. It
# may not install: when the archive's i386 index of the security pocket fails
# to download, the i386 twins of libraries that pocket updated are missing at
# the versions the amd64 ones have, and apt cannot resolve wine32's
# dependencies. Wine 8 can then still run 32-bit programs in its WoW64 mode,
# through 64-bit Wine alone, once its i386 Windows-side DLLs are there; those
# come from libwine:i386, downloaded (no dependencies needed) and unpacked
# over the empty folder that wine64 leaves for them. Prefixes made before
# that have no syswow64: the Wine prefixes of the build trees are made after
# it. Neither is installed where the kernel runs no 32-bit code.

declare -F vqd_missing_packages >/dev/null || . "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

VQD_WINE64_LOADER=/usr/lib/wine/wine64
VQD_WINE32_LOADER=/usr/lib/wine/wine
VQD_WINE_WINDOWS_I386=/usr/lib/x86_64-linux-gnu/wine/i386-windows
VQD_WINE_WOW64_MARK=$VQD_WINE_WINDOWS_I386/.vqd-wow64-from-libwine-i386

# What the scripts say, once each, where 32-bit programs cannot run.
VQD_NO_32BIT_CODE="this machine's kernel runs no 32-bit code (no IA-32 emulation), so no 32-bit Windows program starts under Wine here"

# vqd_pe_machine FILE: "x64" or "x86" for a Windows program or DLL of that
# machine type, nothing for any other file.
vqd_pe_machine() {
    local pe machine
    pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$pe" ] || return 0
    machine=$(od -An -tx2 -j$(( pe + 4 )) -N2 "$1" 2>/dev/null | tr -d ' ')
    case "$machine" in
        8664) echo x64 ;;
        014c) echo x86 ;;
    esac
}

# vqd_choose_wine_loader MACHINE KIND RUNS32: the loader that starts a
# program of MACHINE (x64, x86) on a machine whose 32-bit Wine is KIND
# ("wine32", "wow64" or empty, as vqd_wine32_kind says) and whose kernel runs
# 32-bit code or not (RUNS32: yes, no); prints nothing and fails when none
# can. Only the answers are given to it, so that every state can be tried.
vqd_choose_wine_loader() {
    local machine=$1 kind=$2 runs32=$3
    case "$machine" in
        x64) echo "$VQD_WINE64_LOADER" ;;
        x86)
            [ "$runs32" = yes ] || return 1
            case "$kind" in
                wine32) echo "$VQD_WINE32_LOADER" ;;
                wow64) echo "$VQD_WINE64_LOADER" ;;
                *) return 1 ;;
            esac ;;
        *) return 1 ;;
    esac
}

# vqd_wine32_plan KIND RUNS32: what vqd_install_wine32 does on such a machine:
# "ready" (32-bit Wine is there), "install", or "none" (it would not run).
vqd_wine32_plan() {
    local kind=$1 runs32=$2
    if [ "$runs32" != yes ]; then
        echo none
    elif [ -n "$kind" ]; then
        echo ready
    else
        echo install
    fi
}

# vqd_wine_loader PROGRAM: the loader that starts PROGRAM on this machine;
# says why on stderr and fails when none can.
vqd_wine_loader() {
    local machine runs32=no
    machine=$(vqd_pe_machine "$1")
    # Only a 32-bit program needs the probe.
    [ "$machine" != x86 ] || ! vqd_runs_32bit_code || runs32=yes
    if ! vqd_choose_wine_loader "$machine" "$(vqd_wine32_kind)" "$runs32"; then
        case "$machine" in
            x86) [ "$runs32" = yes ] && echo "cannot start $1: no 32-bit Wine is installed (scripts/build-windows.sh installs it)" >&2 \
                    || echo "cannot start $1: $VQD_NO_32BIT_CODE" >&2 ;;
            *) echo "cannot start $1: it is no x64 or x86 Windows program" >&2 ;;
        esac
        return 1
    fi
}

# vqd_wine32_kind: prints how this machine runs 32-bit Windows programs
# ("wine32", "wow64") or nothing when it cannot yet.
vqd_wine32_kind() {
    if [ -z "$(vqd_missing_packages wine32:i386)" ]; then
        echo wine32
    elif [ -f "$VQD_WINE_WOW64_MARK" ] && [ -f "$VQD_WINE_WINDOWS_I386/kernel32.dll" ]; then
        echo wow64
    fi
}

# vqd_install_wine32: makes 32-bit Windows programs run, the Debian way when
# it installs, otherwise through WoW64, and says which; installs nothing
# where the kernel runs no 32-bit code, and says so.
vqd_install_wine32() {
    local kind runs32=no
    kind=$(vqd_wine32_kind)
    ! vqd_runs_32bit_code || runs32=yes
    case "$(vqd_wine32_plan "$kind" "$runs32")" in
        none)
            if [ -n "$kind" ]; then
                echo "NOT USED: the 32-bit Wine installed here ($kind): $VQD_NO_32BIT_CODE"
            else
                echo "NOT INSTALLED: wine32:i386 or Wine's WoW64 DLLs: $VQD_NO_32BIT_CODE"
            fi
            return 0 ;;
        install)
            if ! dpkg --print-foreign-architectures | grep -qx i386; then
                vqd_as_root dpkg --add-architecture i386
            fi
            vqd_apt_update
            if DEBIAN_FRONTEND=noninteractive vqd_as_root apt-get install -y -qq --no-install-recommends wine32:i386; then
                kind=wine32
            else
                echo "wine32:i386 does not install here; taking Wine's WoW64 mode with libwine:i386's Windows DLLs" >&2
                vqd_install_wine_wow64
                kind=wow64
            fi ;;
    esac
    case "$kind" in
        wine32) echo "32-bit Windows programs run under Debian's wine32:i386" ;;
        wow64) echo "32-bit Windows programs run under 64-bit Wine in its WoW64 mode (i386 DLLs from libwine:i386)" ;;
    esac
}

vqd_install_wine_wow64() {
    local version work
    # The Windows-side DLLs must be of the Wine that runs them.
    version=$(dpkg-query -W -f='${Version}' libwine)
    work=$(mktemp -d)
    (cd "$work" && apt-get download "libwine:i386=$version") \
        || { rm -rf "$work"; echo "cannot download libwine:i386 $version" >&2; return 1; }
    dpkg-deb -x "$work"/libwine_*_i386.deb "$work/root"
    [ -f "$work/root/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll" ] \
        || { rm -rf "$work"; echo "libwine:i386 holds no i386 Windows DLLs" >&2; return 1; }
    vqd_as_root mkdir -p "$VQD_WINE_WINDOWS_I386"
    vqd_as_root cp -a "$work/root/usr/lib/i386-linux-gnu/wine/i386-windows/." "$VQD_WINE_WINDOWS_I386/"
    vqd_as_root touch "$VQD_WINE_WOW64_MARK"
    rm -rf "$work"
}

# vqd_runs_32bit_code: true when this machine's kernel runs 32-bit x86 code,
# which Wine needs for 32-bit Windows programs in either way. Some virtual
# machines (their kernels without IA-32 emulation) run 64-bit code only:
# there a 32-bit Linux program fails with "Exec format error" and WoW64 Wine
# faults at its first switch to 32-bit code. Tried with a five-instruction
# program that exits with 42 through the 32-bit system call.
vqd_runs_32bit_code() {
    local probe status
    probe=$(mktemp -d)
    printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' > "$probe/exit42.s"
    if as --32 "$probe/exit42.s" -o "$probe/exit42.o" 2>/dev/null \
        && ld -m elf_i386 "$probe/exit42.o" -o "$probe/exit42" 2>/dev/null; then
        status=0
        "$probe/exit42" 2>/dev/null || status=$?
    else
        status=1
    fi
    rm -rf "$probe"
    [ "$status" -eq 42 ]
}
