# Cross-builds for 32-bit Windows on x86 (build-windows-x86/), for a maker's
# DLL that is 32-bit: a 64-bit program cannot load it. Used by
# scripts/build-windows.sh.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VQD_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
