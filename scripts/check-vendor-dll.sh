#!/usr/bin/env bash
# Says which build of the program fits the maker's vqdtrm4hid.dll: the x64
# build, the x86 build (cdecl, the default) or the x86 build with
# VQD_HID_STDCALL=ON, or why none does. Reads the DLL's machine type, its
# exported names and, where plain names cannot tell the calling convention,
# the code of its functions.
#
#   scripts/check-vendor-dll.sh [--print-build | --quiet] PATH/TO/vqdtrm4hid.dll
#
# Exit status: 0 one build fits, 1 none does, 2 usage error. --print-build
# prints one line for a build script ("arch=x86 convention=stdcall
# evidence=names"). The work is done by scripts/vendor_dll.py, which also makes
# the import library (see the top of that file).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Debian's python3 and its pefile module, whatever python3 comes first in PATH.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
if ! "$python" -c 'import pefile' 2>/dev/null && command -v apt-get >/dev/null; then
    . "$here/lib/packages.sh"
    vqd_install_packages python3-pefile >&2
fi

exec "$python" "$here/vendor_dll.py" check "$@"
