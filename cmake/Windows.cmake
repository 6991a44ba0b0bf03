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

# The JUCE modules the Windows builds compile: a copy in the build tree with
# two mends, each applied only where the text is exactly as expected.
#
# - JUCE 7 on 32-bit MinGW replaces __uuidof with a template of its own that
#   knows only JUCE's own COM types: its Windows accessibility code then no
#   longer compiles, and every other Windows interface (DXGI, UI Automation)
#   would be asked for with an empty identifier. MinGW's own __uuidof, which
#   x64 uses, knows them all, JUCE's included: x86 takes it too.
# - JUCE's vertical-blank dispatcher uses the DXGI factory without looking
#   whether it was made; where DXGI is not available (32-bit Wine without
#   Direct3D, a stripped-down system) the program would crash on its first
#   window. Without a factory there are no vertical-blank threads, and the
#   repaint fallback (app/RepaintFallback.h) paints.
set(VQD_JUCE_MODULES juce_core juce_events juce_data_structures juce_graphics juce_gui_basics)

function(vqd_mend_juce_file copy file before after)
    file(READ ${JUCE_MODULES_DIR}/${file} text)
    string(FIND "${text}" "${before}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${JUCE_MODULES_DIR}/${file} no longer reads as expected; cannot mend:\n${before}")
    endif()
    string(REPLACE "${before}" "${after}" text "${text}")
    # Written only when it changes, so that configuring again rebuilds nothing.
    file(WRITE ${copy}/${file}.new "${text}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${copy}/${file}.new ${copy}/${file})
    file(REMOVE ${copy}/${file}.new)
endfunction()

function(vqd_use_juce_modules_mended_for_mingw)
    set(copy ${CMAKE_BINARY_DIR}/juce-modules)
    set(uuid_header juce_core/native/juce_win32_ComSmartPtr.h)
    set(windowing juce_gui_basics/native/juce_win32_Windowing.cpp)
    foreach(module ${VQD_JUCE_MODULES})
        file(COPY ${JUCE_MODULES_DIR}/${module} DESTINATION ${copy}
             PATTERN juce_win32_ComSmartPtr.h EXCLUDE
             PATTERN juce_win32_Windowing.cpp EXCLUDE)
    endforeach()

    vqd_mend_juce_file(${copy} ${uuid_header}
        "#if (JUCE_MINGW && JUCE_32BIT) || (! defined (_MSC_VER) && ! defined (__uuidof))"
        "#if (! defined (_MSC_VER) && ! defined (__uuidof))")
    vqd_mend_juce_file(${copy} ${windowing}
        "while (factory->EnumAdapters (i, adapter.resetAndGetPointerAddress()) != DXGI_ERROR_NOT_FOUND)"
        "while (factory != nullptr && factory->EnumAdapters (i, adapter.resetAndGetPointerAddress()) != DXGI_ERROR_NOT_FOUND)")

    foreach(module ${VQD_JUCE_MODULES})
        foreach(property INTERFACE_SOURCES INTERFACE_INCLUDE_DIRECTORIES)
            get_target_property(value ${module} ${property})
            string(REPLACE "${JUCE_MODULES_DIR}" "${copy}" value "${value}")
            set_target_properties(${module} PROPERTIES ${property} "${value}")
        endforeach()
    endforeach()
endfunction()
