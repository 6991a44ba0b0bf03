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

. "$(dirname "$0")/lib/packages.sh"
vqd_install_packages "${packages[@]}"

# The start-language test runs the program with LANG=de_DE.UTF-8 and needs a
# German locale installed; nothing else here depends on the host's locales.
if ! vqd_has_locale de_DE; then
    echo "Compiling the de_DE.UTF-8 locale"
    vqd_as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
