# The Windows builds, cross-built with MinGW-w64 for x64
# (cmake/mingw-w64-x86_64.cmake) and x86 (cmake/mingw-w64-i686.cmake), driven
# by scripts/build-windows.sh.

# Debian's JUCE leaves its own copies of libpng and libjpeg out; the build
# script cross-builds them, static, into this prefix. zlib is Debian's
# libz-mingw-w64-dev, taken static too.
set(VQD_CODEC_PREFIX "" CACHE PATH "Where the cross-built libpng and libjpeg are installed")
if(NOT EXISTS "${VQD_CODEC_PREFIX}/lib/libpng16.a" OR NOT EXISTS "${VQD_CODEC_PREFIX}/lib/libjpeg.a")
    message(FATAL_ERROR "No cross-built libpng and libjpeg in VQD_CODEC_PREFIX='${VQD_CODEC_PREFIX}': "
                        "build with scripts/build-windows.sh")
endif()
find_library(VQD_MINGW_ZLIB NAMES libz.a REQUIRED)

add_library(vqd_image_libs INTERFACE)
target_include_directories(vqd_image_libs SYSTEM INTERFACE ${VQD_CODEC_PREFIX}/include)
target_link_libraries(vqd_image_libs INTERFACE
    ${VQD_CODEC_PREFIX}/lib/libpng16.a
    ${VQD_CODEC_PREFIX}/lib/libjpeg.a
    ${VQD_MINGW_ZLIB})
set(VQD_IMAGE_LIBRARIES vqd_image_libs)

# GetUserDefaultLangID and EnumSystemLocalesA are kernel32's: nothing to add.
set(VQD_LOCALE_LIBRARIES "")

# Link the C and C++ runtimes and winpthreads statically, so that the program,
# the DLL and the tests run without any MinGW DLL beside them.
add_link_options(-static -static-libgcc -static-libstdc++)

# Two builds of one commit give the same bytes (scripts/package-windows.sh,
# tests/windows-package): no link time in the PE headers (the COFF header,
# a DLL's export directory), and a fixed date for the __DATE__ and __TIME__
# that juce_core reads for Time::getCompilationDate, which the program never
# asks for but links all the same.
add_link_options(-Wl,--no-insert-timestamp)
set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_C_COMPILER_LAUNCHER})
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_CXX_COMPILER_LAUNCHER})

# Test programs run under Wine, in the build tree's own Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
