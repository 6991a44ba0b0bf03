# 32-bit Windows programs under Wine, for the x86 build's tests. Source it
# after scripts/lib/packages.sh.
#
# Debian's way is wine32:i386 beside wine64. It may not install: when the
# archive's i386 index of the security pocket fails to download, the i386
# twins of libraries that pocket updated are missing at the versions the
# amd64 ones have, and apt cannot resolve wine32's dependencies. Wine 8 can
# then still run 32-bit programs in its WoW64 mode, through 64-bit Wine
# alone, once its i386 Windows-side DLLs are there; those come from
# libwine:i386, downloaded (no dependencies needed) and unpacked over the
# empty folder that wine64 leaves for them. Prefixes made before that have no
# syswow64: the Wine prefixes of the build trees are made after it.

VQD_WINE_WINDOWS_I386=/usr/lib/x86_64-linux-gnu/wine/i386-windows
VQD_WINE_WOW64_MARK=$VQD_WINE_WINDOWS_I386/.vqd-wow64-from-libwine-i386

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
# it installs, otherwise through WoW64; says which.
vqd_install_wine32() {
    local kind
    kind=$(vqd_wine32_kind)
    if [ -z "$kind" ]; then
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
        fi
    fi
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
