# Cross-builds for Windows x64 with Debian's MinGW-w64 (POSIX threads, so that
# std::thread and std::mutex exist). Used by scripts/build-windows.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VQD_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${VQD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VQD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VQD_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW sysroot and from the prefixes the
# build adds (the cross-built codecs); programs such as juceaide come from
# the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VQD_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
