#!/usr/bin/env bash
# Which Wine loader starts which Windows program, and what is installed for
# 32-bit ones, in each state a machine can be in: its kernel runs 32-bit code
# or not, times Debian's wine32:i386, Wine's WoW64 DLLs or neither installed.
# This machine shows only its own state for real; the others are given to
# scripts/lib/wine.sh as the probe's and the package database's answers.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lib/wine.sh"
passed=0 failed=0
expect() { # WHAT WANTED GOT
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1: wanted '$2', got '$3'"
    fi
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A Windows program's headers as far as the machine type: the DOS header
# pointing at the PE signature at 64, then the machine (little-endian).
pe() { # FILE MACHINE-BYTES
    { printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00PE\x00\x00'"$2"; head -c 64 /dev/zero; } > "$1"
}
pe "$work/x64.exe" '\x64\x86'
pe "$work/x86.exe" '\x4c\x01'
pe "$work/arm64.exe" '\x64\xaa'
printf '#!/bin/sh\n' > "$work/script"
for row in "x64.exe x64" "x86.exe x86" "arm64.exe -" "script -"; do
    set -- $row
    got=$(vqd_pe_machine "$work/$1")
    expect "the machine type of $1" "${2#-}" "$got"
done

W64=$VQD_WINE64_LOADER W32=$VQD_WINE32_LOADER
# machine  32-bit Wine  runs 32-bit code  loader ("-": none can start it)
while read -r machine kind runs32 wanted; do
    [ "$kind" != - ] || kind=""
    got=$(vqd_choose_wine_loader "$machine" "$kind" "$runs32") || got=-
    expect "a $machine program, 32-bit Wine '${kind}', 32-bit code runs: $runs32" "$(eval echo "$wanted")" "$got"
done <<'TABLE'
x64 wine32 yes $W64
x64 wine32 no  $W64
x64 wow64  yes $W64
x64 wow64  no  $W64
x64 -      yes $W64
x64 -      no  $W64
x86 wine32 yes $W32
x86 wine32 no  -
x86 wow64  yes $W64
x86 wow64  no  -
x86 -      yes -
x86 -      no  -
arm64 wine32 yes -
TABLE

# On this machine, for real: a 64-bit program never goes through Debian's
# wrapper, whatever is installed; a 32-bit one as the probe says.
expect "this machine's loader for a 64-bit program" "$W64" "$(vqd_wine_loader "$work/x64.exe")"
if vqd_runs_32bit_code; then
    wanted=$(vqd_choose_wine_loader x86 "$(vqd_wine32_kind)" yes) || wanted=""
    got=$(vqd_wine_loader "$work/x86.exe" 2>/dev/null)
    expect "this machine's loader for a 32-bit program" "$wanted" "$got"
else
    got=$(vqd_wine_loader "$work/x86.exe" 2>&1 >/dev/null)
    expect "a 32-bit program here is refused with the reason" "cannot start $work/x86.exe: $VQD_NO_32BIT_CODE" "$got"
fi

# The install, with the probe and the package state given: nothing that
# would change the machine runs, it is written down instead.
vqd_as_root() { echo "$*" >> "$work/ran"; }
vqd_apt_update() { echo "apt-get update" >> "$work/ran"; }
vqd_install_wine_wow64() { echo "wow64 DLLs" >> "$work/ran"; }
dpkg() { [ "$1" != --print-foreign-architectures ] || echo i386; }
# 32-bit Wine  runs 32-bit code  first line said  what ran ("-": nothing)
while IFS='|' read -r given runs32 said ran; do
    [ "$given" != - ] || given=""
    vqd_wine32_kind() { echo "$given"; }
    if [ "$runs32" = yes ]; then vqd_runs_32bit_code() { true; }; else vqd_runs_32bit_code() { false; }; fi
    rm -f "$work/ran"
    got=$(vqd_install_wine32 2>/dev/null | head -n 1)
    expect "install with 32-bit Wine '$given', 32-bit code runs: $runs32: says" \
        "${said//\$VQD_NO_32BIT_CODE/$VQD_NO_32BIT_CODE}" "$got"
    expect "install with 32-bit Wine '$given', 32-bit code runs: $runs32: runs" "$ran" \
        "$(if [ -f "$work/ran" ]; then paste -sd ';' "$work/ran"; else echo -; fi)"
done <<'TABLE'
wine32|yes|32-bit Windows programs run under Debian's wine32:i386|-
wine32|no|NOT USED: the 32-bit Wine installed here (wine32): $VQD_NO_32BIT_CODE|-
wow64|yes|32-bit Windows programs run under 64-bit Wine in its WoW64 mode (i386 DLLs from libwine:i386)|-
-|no|NOT INSTALLED: wine32:i386 or Wine's WoW64 DLLs: $VQD_NO_32BIT_CODE|-
-|yes|32-bit Windows programs run under Debian's wine32:i386|apt-get update;apt-get install -y -qq --no-install-recommends wine32:i386
TABLE

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
