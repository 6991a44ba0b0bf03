# What both Windows toolchain files share; each sets VQD_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR first. Debian's MinGW-w64 with POSIX threads, so
# that std::thread and std::mutex exist.
set(CMAKE_SYSTEM_NAME Windows)

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
