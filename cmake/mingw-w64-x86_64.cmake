# Cross-builds for Windows x64 (build-windows/). Used by scripts/build-windows.sh.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VQD_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
