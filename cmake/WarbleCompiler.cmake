# Compiler cache and sanitizers.

find_program(WARBLE_CCACHE ccache)
if(WARBLE_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER AND CMAKE_HOST_UNIX)
    # Relative paths and no working directory in the hash let a fresh clone elsewhere reuse the
    # cache of an earlier one. A shell script rather than a list, because JUCE hands the launcher
    # on to its own nested build of juceaide.
    configure_file("${CMAKE_CURRENT_LIST_DIR}/ccache-launcher.sh.in"
                   "${CMAKE_BINARY_DIR}/ccache-launcher.sh" @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE)
    set(CMAKE_C_COMPILER_LAUNCHER "${CMAKE_BINARY_DIR}/ccache-launcher.sh")
    set(CMAKE_CXX_COMPILER_LAUNCHER "${CMAKE_BINARY_DIR}/ccache-launcher.sh")
endif()

set(WARBLE_SANITIZER "" CACHE STRING "Build everything with this sanitizer (thread, address, undefined)")
# Debug information comes with the build type: RelWithDebInfo's -g, or the asan preset's -g1 (line
# tables only, enough for the reports' stack traces; with -O1 it compiles JUCE several times faster
# than -O2 -g under UBSan).
if(WARBLE_SANITIZER)
    add_compile_options(-fsanitize=${WARBLE_SANITIZER} -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${WARBLE_SANITIZER})

    # UBSan reports and carries on by default; a finding must fail the test that meets it.
    if(WARBLE_SANITIZER MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

# Release builds with GCC or Clang for ELF platforms are hardened as Debian builds its packages:
# checked variants of the C library's string and memory functions where sizes are known at compile
# time, and every symbol bound at start-up so that the relocation table can be made read-only.
if(CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$" AND CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
    add_compile_options($<$<CONFIG:Release>:-D_FORTIFY_SOURCE=2>)
    add_link_options($<$<CONFIG:Release>:LINKER:-z,now>)
endif()

# With WARBLE_WARNINGS_AS_ERRORS, a warning in the project's own sources fails the build, while the
# sources of JUCE and of the vendored code keep theirs as warnings. Called once every target exists.
option(WARBLE_WARNINGS_AS_ERRORS "Fail the build on a warning in the project's own sources" OFF)

function(warble_is_own_path path result)
    set(own FALSE)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${path}" NORMALIZE in_project)
    cmake_path(IS_PREFIX PROJECT_BINARY_DIR "${path}" NORMALIZE in_build)
    if(in_project AND NOT in_build
       AND NOT path MATCHES "^${PROJECT_SOURCE_DIR}/(\\.deps|third_party|build)/")
        set(own TRUE)
    endif()
    set(${result} ${own} PARENT_SCOPE)
endfunction()

function(warble_fail_on_own_warnings directory)
    get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)

    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "INTERFACE_LIBRARY" OR type STREQUAL "UTILITY")
            continue()
        endif()

        get_target_property(sources ${target} SOURCES)
        get_target_property(source_dir ${target} SOURCE_DIR)

        foreach(source IN LISTS sources)
            if(source MATCHES "^\\$<" OR NOT source MATCHES "\\.(c|cc|cpp)$")
                continue()
            endif()

            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}" NORMALIZE OUTPUT_VARIABLE path)
            warble_is_own_path("${path}" own)
            if(own)
                set_property(SOURCE "${path}" TARGET_DIRECTORY ${target} APPEND PROPERTY COMPILE_OPTIONS -Werror)
            endif()
        endforeach()
    endforeach()

    get_property(subdirectories DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        warble_is_own_path("${subdirectory}" own)
        if(own)
            warble_fail_on_own_warnings("${subdirectory}")
        endif()
    endforeach()
endfunction()
