#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# when any is missing. Safe to run again: it does nothing when all are there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    juce-modules-source
    libfreetype-dev libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev
    libicu-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xdotool x11-utils imagemagick
    fonts-dejavu-core fonts-noto-cjk
    locales
    clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The start-language test runs the program with LANG=de_DE.UTF-8 and needs a
# German locale installed; nothing else here depends on the host's locales.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "Compiling the de_DE.UTF-8 locale"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
