# The two Windows architectures the program is built for, and where each one's
# build lives. Source it.
#
#   x64  build-windows/      x86_64-w64-mingw32  cmake/mingw-w64-x86_64.cmake
#   x86  build-windows-x86/  i686-w64-mingw32    cmake/mingw-w64-i686.cmake

vqd_arch_tree() { case "$1" in x64) echo build-windows ;; x86) echo build-windows-x86 ;; esac; }
vqd_arch_triplet() { case "$1" in x64) echo x86_64-w64-mingw32 ;; x86) echo i686-w64-mingw32 ;; esac; }
vqd_arch_toolchain() { case "$1" in x64) echo cmake/mingw-w64-x86_64.cmake ;; x86) echo cmake/mingw-w64-i686.cmake ;; esac; }
