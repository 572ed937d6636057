# Brings JUCE 8.0.6 into the build, looking in this order:
#   1. an explicit path:            -DWARBLE_JUCE_DIR=/path/to/JUCE
#   2. the folder scripts/setup.sh fills: .deps/JUCE (Debian's "+ds" source package)
#   3. FetchContent of the official repository at tag 8.0.6 (needs internet)
# Both the upstream tree and Debian's repack work. The repack strips JUCE's bundled zlib, libpng,
# libjpeg, FLAC and Ogg Vorbis; its own CMake patches then link the system libraries instead.

set(WARBLE_JUCE_VERSION 8.0.6)
set(WARBLE_JUCE_DIR "" CACHE PATH "A JUCE ${WARBLE_JUCE_VERSION} source tree to build against")

function(warble_check_juce_tree dir)
    if(NOT EXISTS "${dir}/CMakeLists.txt")
        message(FATAL_ERROR "No JUCE source tree at ${dir}")
    endif()
    file(STRINGS "${dir}/CMakeLists.txt" project_line REGEX "^project\\(JUCE VERSION")
    if(NOT project_line MATCHES "VERSION ${WARBLE_JUCE_VERSION}[ )]")
        message(FATAL_ERROR "${dir} holds '${project_line}', but Warble needs JUCE ${WARBLE_JUCE_VERSION}")
    endif()
endfunction()

# Warble's own changes to JUCE live in scripts/patches/ and are applied by scripts/setup.sh. A tree
# without them would build an LV2 plug-in whose parameters hosts show at 0, so the build stops.
function(warble_check_juce_patched dir)
    file(STRINGS "${dir}/modules/juce_audio_plugin_client/juce_audio_plugin_client_LV2.cpp"
        patched_lines REGEX "answerPatchGet")
    if(NOT patched_lines)
        message(FATAL_ERROR "The JUCE tree at ${dir} lacks Warble's patch "
            "scripts/patches/juce-lv2-parameter-values.patch (LV2 hosts would show every parameter "
            "at 0). Apply it with: scripts/apply-juce-patches.sh ${dir}   (scripts/setup.sh does this "
            "for .deps/JUCE)")
    endif()
endfunction()

if(WARBLE_JUCE_DIR)
    warble_check_juce_tree("${WARBLE_JUCE_DIR}")
    set(warble_juce_source "${WARBLE_JUCE_DIR}")
elseif(EXISTS "${PROJECT_SOURCE_DIR}/.deps/JUCE/CMakeLists.txt")
    warble_check_juce_tree("${PROJECT_SOURCE_DIR}/.deps/JUCE")
    set(warble_juce_source "${PROJECT_SOURCE_DIR}/.deps/JUCE")
endif()

if(warble_juce_source)
    message(STATUS "Warble: JUCE from ${warble_juce_source}")
    add_subdirectory("${warble_juce_source}" JUCE EXCLUDE_FROM_ALL)
else()
    message(STATUS "Warble: fetching JUCE ${WARBLE_JUCE_VERSION} from GitHub")
    include(FetchContent)
    FetchContent_Declare(JUCE
        GIT_REPOSITORY https://github.com/juce-framework/JUCE.git
        GIT_TAG ${WARBLE_JUCE_VERSION}
        GIT_SHALLOW TRUE
        PATCH_COMMAND "${PROJECT_SOURCE_DIR}/scripts/apply-juce-patches.sh" <SOURCE_DIR>)
    FetchContent_MakeAvailable(JUCE)
    set(warble_juce_source "${juce_SOURCE_DIR}")
endif()
warble_check_juce_patched("${warble_juce_source}")

# Under UBSan every check stops the program, except signed overflow inside JUCE's core module: a
# known overflow there is suppressed by name at run time (tests/sanitizers/ubsan.supp), and only a
# check that recovers can be suppressed. Any other overflow there still stops the test run, whose
# UBSAN_OPTIONS set halt_on_error.
if(WARBLE_SANITIZER MATCHES "undefined")
    set_source_files_properties("${warble_juce_source}/modules/juce_core/juce_core.cpp"
        PROPERTIES COMPILE_OPTIONS -fsanitize-recover=signed-integer-overflow)
endif()

# Debian's repack links the system's image libraries into JUCE's own targets only; static
# libraries of JUCE modules made here need them too.
set(WARBLE_JUCE_SYSTEM_LIBS "")
if(TARGET juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
    set(WARBLE_JUCE_SYSTEM_LIBS juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()

# Module settings every JUCE build of this project shares.
set(WARBLE_JUCE_CONFIG
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_VST3_CAN_REPLACE_VST2=0)

# A static library of JUCE modules that other targets link without compiling JUCE again: the
# modules' include paths and definitions are re-exported, their sources are not.
function(warble_add_juce_library target)
    cmake_parse_arguments(ARG "" "" "MODULES;DEFINITIONS" ${ARGN})
    add_library(${target} STATIC)
    target_link_libraries(${target}
        PRIVATE ${ARG_MODULES} ${WARBLE_JUCE_SYSTEM_LIBS}
        PUBLIC juce::juce_recommended_config_flags)
    target_compile_definitions(${target} PUBLIC ${WARBLE_JUCE_CONFIG} ${ARG_DEFINITIONS})
    target_compile_definitions(${target} INTERFACE
        $<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>)
    target_include_directories(${target} INTERFACE
        $<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>)
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE TRUE)
endfunction()
