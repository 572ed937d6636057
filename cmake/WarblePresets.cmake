# The factory presets. presets/factory-presets.json is their one definition: it is compiled into
# warble-render and the application (FactoryPresetBank), and warble-preset-export makes every
# plug-in format's preset files from it with the instrument's own processor after each build of
# the bundles: named LV2 presets inside Warble.lv2, and .vstpreset files for the VST3 preset folder.

set(WARBLE_FACTORY_PRESETS "${PROJECT_SOURCE_DIR}/presets/factory-presets.json")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${WARBLE_FACTORY_PRESETS}")
file(READ "${WARBLE_FACTORY_PRESETS}" WARBLE_FACTORY_PRESETS_JSON)
configure_file("${PROJECT_SOURCE_DIR}/presets/FactoryPresetData.h.in"
               "${PROJECT_BINARY_DIR}/presets/FactoryPresetData.h" @ONLY)

# Header-only; whatever links it brings its own JUCE.
add_library(WarblePresetBank INTERFACE)
target_include_directories(WarblePresetBank INTERFACE "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/presets")

# The preset files are made with the LV2 bundle at hand, so only where the LV2 is built (Linux).
if(TARGET Warble_LV2)
    add_executable(warble-preset-export
        tools/presets/LV2PresetWriter.cpp
        tools/presets/PresetExportMain.cpp
        tools/presets/PresetStateMaker.cpp
        tools/presets/VST3PresetWriter.cpp)
    target_link_libraries(warble-preset-export PRIVATE WarbleSharedCode WarblePresetBank)

    # The VST3 presets as the standard preset folder holds them: <vendor>/<product>/<name>.vstpreset.
    set(WARBLE_VST3_PRESET_ROOT "${PROJECT_BINARY_DIR}/presets/vst3")
    set(WARBLE_VST3_PRESET_FOLDER "${WARBLE_VST3_PRESET_ROOT}/KestrelWorks/Warble")
    set(warble_presets_stamp "${PROJECT_BINARY_DIR}/presets/exported.stamp")

    # Runs again whenever a bundle is built again, since JUCE then writes the LV2 manifest anew.
    add_custom_command(OUTPUT "${warble_presets_stamp}"
        COMMAND warble-preset-export "${WARBLE_LV2_BUNDLE}" "${WARBLE_LV2_URI}"
                "${WARBLE_VST3_BUNDLE}/Contents/Resources/moduleinfo.json" "${WARBLE_VST3_PRESET_FOLDER}"
        COMMAND "${CMAKE_COMMAND}" -E touch "${warble_presets_stamp}"
        DEPENDS warble-preset-export Warble_LV2 Warble_VST3 "${WARBLE_FACTORY_PRESETS}"
        COMMENT "Writing the factory presets for the LV2 and VST3 plug-ins"
        VERBATIM)
    add_custom_target(WarbleFactoryPresets ALL DEPENDS "${warble_presets_stamp}")
endif()
