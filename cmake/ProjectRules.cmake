# Rules shared by the project's build (CMakeLists.txt) and the fuzz targets'
# own build (fuzz/CMakeLists.txt), which compile the same sources.

# Code that differs by platform sits in files of its own, named for their
# platform; this leaves the other platform's files out of a source list.
function(vqd_keep_platform_sources list_name)
    set(sources ${${list_name}})
    if(WIN32)
        list(FILTER sources EXCLUDE REGEX ".*Linux(Test)?\\.cpp$")
    else()
        list(FILTER sources EXCLUDE REGEX ".*Windows(Test)?\\.cpp$")
    endif()
    set(${list_name} ${sources} PARENT_SCOPE)
endfunction()

# How the JUCE modules are configured wherever they are compiled.
set(VQD_JUCE_DEFINITIONS
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    JUCE_STANDALONE_APPLICATION=1
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_CHECK_MEMORY_LEAKS=0)
