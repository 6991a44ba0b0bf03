# The Windows resources of the program's executable: its icon, its manifest
# and its version (resources/windows/). Included from CMakeLists.txt once the
# program's target exists; nothing happens outside the Windows builds.
#
# The manifest matters more than it looks: a 32-bit program with "Update" in
# its name and no manifest is taken by Windows' installer detection for a
# setup program and asks for administrator rights. So every other executable
# of the Windows trees (the test suites, make_update_file, the benchmark) gets
# a manifest too, the same one, without icon or version.
if(NOT WIN32)
    return()
endif()

# windres, named by the toolchain file (CMAKE_RC_COMPILER).
enable_language(RC)

set(VQD_WINDOWS_RESOURCES ${CMAKE_SOURCE_DIR}/resources/windows)

# FILEVERSION and PRODUCTVERSION take four numbers; the texts take the
# project's version as it is written.
set(VQD_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
if(PROJECT_VERSION_TWEAK)
    set(VQD_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
endif()
configure_file(${VQD_WINDOWS_RESOURCES}/VQDTRM4_UpdateProgram.rc.in
               ${CMAKE_BINARY_DIR}/windows-resources/VQDTRM4_UpdateProgram.rc @ONLY)
configure_file(${VQD_WINDOWS_RESOURCES}/manifest-only.rc.in
               ${CMAKE_BINARY_DIR}/windows-resources/manifest-only.rc @ONLY)

# windres reads the icon and the manifest, but CMake's dependency scan of a
# .rc file sees only its #includes.
set_source_files_properties(${CMAKE_BINARY_DIR}/windows-resources/VQDTRM4_UpdateProgram.rc PROPERTIES
    OBJECT_DEPENDS "${VQD_WINDOWS_RESOURCES}/VQDTRM4_UpdateProgram.ico;${VQD_WINDOWS_RESOURCES}/VQDTRM4_UpdateProgram.manifest")

target_sources(VQDTRM4_UpdateProgram PRIVATE ${CMAKE_BINARY_DIR}/windows-resources/VQDTRM4_UpdateProgram.rc)

# Our DLLs' versions: the simulated controller's library (in the maker's
# place, it shows the recording library's reading of a maker's version) and
# the recording library's.
function(vqd_add_library_version target name description)
    if(NOT TARGET ${target})
        return()
    endif()
    set(VQD_LIBRARY_NAME "${name}")
    set(VQD_LIBRARY_DESCRIPTION "${description}")
    configure_file(${VQD_WINDOWS_RESOURCES}/library-version.rc.in
                   ${CMAKE_BINARY_DIR}/windows-resources/${target}-version.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/windows-resources/${target}-version.rc)
endfunction()
vqd_add_library_version(vqdtrm4hid vqdtrm4hid "Simulated VQD-TRM4 controller library")
vqd_add_library_version(vqd_recorder vqdtrm4hid "VQD-TRM4 recording library")

# The other executables are defined later (tests, tools, benchmarks): give
# them theirs once the whole project has been read.
function(vqd_add_manifest_to_other_executables directory)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE" AND NOT target STREQUAL "VQDTRM4_UpdateProgram")
            target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/windows-resources/manifest-only.rc)
            set_source_files_properties(${CMAKE_BINARY_DIR}/windows-resources/manifest-only.rc
                TARGET_DIRECTORY ${target}
                PROPERTIES OBJECT_DEPENDS "${VQD_WINDOWS_RESOURCES}/VQDTRM4_UpdateProgram.manifest")
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory ${subdirectories})
        vqd_add_manifest_to_other_executables(${subdirectory})
    endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR}
    CALL vqd_add_manifest_to_other_executables ${CMAKE_SOURCE_DIR})
