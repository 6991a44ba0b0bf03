# The two Windows architectures the program is built for, and where each one's
# build lives. Source it.
#
#   x64  build-windows/      x86_64-w64-mingw32  cmake/mingw-w64-x86_64.cmake
#   x86  build-windows-x86/  i686-w64-mingw32    cmake/mingw-w64-i686.cmake

vqd_arch_tree() { case "$1" in x64) echo build-windows ;; x86) echo build-windows-x86 ;; esac; }
vqd_arch_triplet() { case "$1" in x64) echo x86_64-w64-mingw32 ;; x86) echo i686-w64-mingw32 ;; esac; }
vqd_arch_toolchain() { case "$1" in x64) echo cmake/mingw-w64-x86_64.cmake ;; x86) echo cmake/mingw-w64-i686.cmake ;; esac; }

# vqd_built_trees [ARCH...]: the trees, of the given architectures (both by
# default), that hold a built program; paths from the source root.
vqd_built_trees() {
    [ $# -gt 0 ] || set -- x64 x86
    local arch
    for arch in "$@"; do
        [ ! -f "$(vqd_arch_tree "$arch")/bin/VQDTRM4_UpdateProgram.exe" ] || vqd_arch_tree "$arch"
    done
}
