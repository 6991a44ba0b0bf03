# Shell functions shared by the install and build scripts: run as root or
# through sudo, install Debian packages that are missing, look for a locale.
# Source it.

# vqd_as_root COMMAND...: runs the command as root (through sudo when this
# script is not root already).
vqd_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# vqd_apt_update: refreshes the package lists. A list that fails to download
# (a mirror half-way through a sync, an architecture's security index) makes
# apt-get exit non-zero although the other lists are fine and installing
# from them still works, so a failure here only warns: a package that really
# cannot be had fails the install that follows.
vqd_apt_update() {
    if ! vqd_as_root apt-get update -qq; then
        echo "warning: apt-get update reported errors; installing from the lists it has" >&2
    fi
}

# vqd_missing_packages PACKAGE...: prints those that are not installed.
vqd_missing_packages() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            echo "$package"
        fi
    done
}

# vqd_install_packages PACKAGE...: installs the missing ones, if any.
vqd_install_packages() {
    local missing
    mapfile -t missing < <(vqd_missing_packages "$@")
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "Installing: ${missing[*]}"
    vqd_apt_update
    DEBIAN_FRONTEND=noninteractive vqd_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# vqd_has_locale NAME: true when NAME.UTF-8 (de_DE, ...) is installed.
vqd_has_locale() {
    locale -a 2>/dev/null | grep -qi "^$1\.utf-\?8$"
}
