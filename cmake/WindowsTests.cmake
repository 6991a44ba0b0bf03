# The Windows test tree: the suites of the update engine, the device link and
# the localisation, built as Windows programs and run under Wine (the
# emulator scripts/wine-run.sh), and the real program driven end to end under
# Wine on Xvfb (tests/e2e-windows). Included from tests/CMakeLists.txt.

# Debian ships GoogleTest as sources too; build it with the same toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(message_loop STATIC ${CMAKE_CURRENT_SOURCE_DIR}/support/MessageLoop.cpp)
target_include_directories(message_loop PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_link_libraries(message_loop PUBLIC juce_static)

file(GLOB VQD_TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
list(FILTER VQD_TEST_SUPPORT_SOURCES EXCLUDE REGEX ".*/MessageLoop\\.cpp$")
vqd_keep_platform_sources(VQD_TEST_SUPPORT_SOURCES)
add_library(test_support STATIC ${VQD_TEST_SUPPORT_SOURCES})
target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_link_libraries(test_support PUBLIC updater_core update_file_maker message_loop gtest gmock)

# One CTest test per suite: each start of a Windows program under Wine costs
# about a second, which per test case would make the run several minutes
# longer. gtest's own output says which case failed.
function(vqd_add_wine_suite name folder)
    cmake_parse_arguments(PARSE_ARGV 2 suite "" "" "ENVIRONMENT")
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    vqd_keep_platform_sources(sources)
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE test_support)
    add_test(NAME wine.${name} COMMAND ${name} WORKING_DIRECTORY ${VQD_BIN_DIR})
    set_tests_properties(wine.${name} PROPERTIES TIMEOUT 600)
    if(suite_ENVIRONMENT)
        set_property(TEST wine.${name} PROPERTY ENVIRONMENT ${suite_ENVIRONMENT})
    endif()
endfunction()

vqd_add_wine_suite(app_tests app)
vqd_add_wine_suite(device_tests device)
vqd_add_wine_suite(update_tests update)
# The start language of a German user: Wine takes the user's language from
# the Unix locale.
vqd_add_wine_suite(localisation_tests localisation
    ENVIRONMENT LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 VQD_EXPECTED_LANGID=0407)

# End to end: the real program under Wine on Xvfb, against the simulated
# controller built as vqdtrm4hid.dll.
file(GLOB VQD_WINE_E2E_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e-windows/test_*.sh)
foreach(script ${VQD_WINE_E2E_SCRIPTS})
    get_filename_component(script_name ${script} NAME_WE)
    add_test(NAME e2e_windows.${script_name}
             COMMAND bash ${script} ${VQD_BIN_DIR}
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e-windows)
    set_tests_properties(e2e_windows.${script_name} PROPERTIES TIMEOUT 300 RUN_SERIAL ON SKIP_RETURN_CODE 77)
endforeach()

# A window of another Windows process that the single-instance test covers
# the program's window with: under Wine the order of Wine's own windows is
# what a raise changes.
add_executable(cover_window ${CMAKE_CURRENT_SOURCE_DIR}/e2e-windows/tools/cover_window.cpp)

# What users get, read back by host tools (Debian's python3-pefile, icoutils):
# the program's manifest, version and icon as Windows finds them in the .exe.
add_test(NAME windows_package.resources
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/windows-package/check_resources.py
                 $<TARGET_FILE:VQDTRM4_UpdateProgram> ${PROJECT_VERSION}
                 ${CMAKE_SOURCE_DIR}/resources/windows/VQDTRM4_UpdateProgram.ico)
# The zip scripts/package-windows.sh makes from this tree: the same bytes
# twice, signed and unsigned; its entries, stripped program and time stamps;
# the maker's DLL only beside a program built against it.
add_test(NAME windows_package.package
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows-package/test_package.sh ${CMAKE_BINARY_DIR})
set_tests_properties(windows_package.package PROPERTIES TIMEOUT 300)

# The x86 program built with scripts/build-windows.sh --vendor-dll against a
# __stdcall DLL with MSVC's names, updating under Wine (its own tree,
# build-windows-vendor-x86/, mostly from the compiler cache).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME vendor_dll.build_and_update
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/vendor-dll/test_vendor_build.sh ${CMAKE_SOURCE_DIR})
    set_tests_properties(vendor_dll.build_and_update PROPERTIES TIMEOUT 900 RUN_SERIAL ON)
endif()
