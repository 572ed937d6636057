# Installing and packaging: the plug-ins where Linux hosts look for them (the LV2 bundle with
# the factory presets inside, the VST3 presets in the standard preset folder, the CLAP file), the
# application and warble-render on the path, the application's menu entry, icon and AppStream
# metadata, the manual pages, and the user's README, copyright and changelog.
#   cmake --install build/release [--prefix DIR]     (default prefix /usr/local)
#   cd build/release && cpack -G DEB                  (warble_1.0.0_amd64.deb, installing into /usr)

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX /usr/local CACHE PATH "Where cmake --install puts Warble" FORCE)
endif()

# Installing and packaging copy what was built; they never compile. Build first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# Hosts search <prefix>/lib/vst3 and <prefix>/lib/lv2 on every distribution, never a
# multiarch library folder, so the destinations are written out rather than taken from GNUInstallDirs.
# The binaries go in as targets, so that `cmake --install --strip` and the package strip them; the
# rest of each bundle (the manifest and the Turtle files generated at build time) is copied.
install(TARGETS Warble_Standalone RUNTIME DESTINATION bin)
install(TARGETS Warble_VST3 LIBRARY DESTINATION lib/vst3/Warble.vst3/Contents/${JUCE_TARGET_ARCHITECTURE}-linux)
install(DIRECTORY "${WARBLE_VST3_BUNDLE}" DESTINATION lib/vst3 USE_SOURCE_PERMISSIONS PATTERN "*.so" EXCLUDE)
install(TARGETS Warble_LV2 LIBRARY DESTINATION lib/lv2/Warble.lv2)
install(DIRECTORY "${WARBLE_LV2_BUNDLE}" DESTINATION lib/lv2 USE_SOURCE_PERMISSIONS PATTERN "*.so" EXCLUDE)
install(DIRECTORY "${WARBLE_VST3_PRESET_ROOT}/" DESTINATION share/vst3/presets)
# A CLAP plug-in is a single file; hosts search <prefix>/lib/clap.
if(WARBLE_BUILD_CLAP)
    install(TARGETS Warble_CLAP LIBRARY DESTINATION lib/clap)
endif()

# Strip as Debian's dh_strip does, which also drops the compiler's .comment and .note sections.
set(WARBLE_SYSTEM_STRIP "${CMAKE_STRIP}")
configure_file("${CMAKE_CURRENT_LIST_DIR}/strip-like-debian.sh.in" "${PROJECT_BINARY_DIR}/strip-like-debian.sh" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_STRIP "${PROJECT_BINARY_DIR}/strip-like-debian.sh")

# The desktop files, named by the application's reverse-DNS ID. The icon is drawn once, as SVG; the
# PNG sizes that menus without SVG support use are rendered from it by rsvg-convert.
set(warble_desktop_dir "${PROJECT_BINARY_DIR}/desktop")
configure_file("${PROJECT_SOURCE_DIR}/standalone/linux/warble.desktop.in" "${warble_desktop_dir}/${WARBLE_APP_ID}.desktop" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/standalone/linux/warble.metainfo.xml.in"
               "${warble_desktop_dir}/${WARBLE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${warble_desktop_dir}/${WARBLE_APP_ID}.desktop" DESTINATION share/applications)
install(FILES "${warble_desktop_dir}/${WARBLE_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${PROJECT_SOURCE_DIR}/standalone/linux/warble-icon.svg"
        DESTINATION share/icons/hicolor/scalable/apps RENAME "${WARBLE_APP_ID}.svg")

find_program(WARBLE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(WARBLE_GZIP gzip REQUIRED)
set(WARBLE_ICON_SIZES 16 24 32 48 64 128 256)
set(warble_generated_files "")

foreach(size IN LISTS WARBLE_ICON_SIZES)
    set(png "${warble_desktop_dir}/icons/${size}x${size}/${WARBLE_APP_ID}.png")
    add_custom_command(OUTPUT "${png}"
        COMMAND "${WARBLE_RSVG_CONVERT}" --width ${size} --height ${size}
                --output "${png}" "${PROJECT_SOURCE_DIR}/standalone/linux/warble-icon.svg"
        DEPENDS "${PROJECT_SOURCE_DIR}/standalone/linux/warble-icon.svg"
        VERBATIM)
    list(APPEND warble_generated_files "${png}")
    install(FILES "${png}" DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages and the changelog, compressed as Debian ships them: gzip -9n, with no name or time
# stamp inside, so that the same text always gives the same bytes.
function(warble_add_compressed_copy source folder)
    get_filename_component(name "${source}" NAME)
    add_custom_command(OUTPUT "${folder}/${name}.gz"
        COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${folder}/${name}"
        COMMAND "${WARBLE_GZIP}" -9nf "${folder}/${name}"
        DEPENDS "${source}"
        VERBATIM)
endfunction()

foreach(page IN ITEMS warble.1 warble-render.1)
    warble_add_compressed_copy("${PROJECT_SOURCE_DIR}/docs/man/${page}" "${PROJECT_BINARY_DIR}/man")
    list(APPEND warble_generated_files "${PROJECT_BINARY_DIR}/man/${page}.gz")
    install(FILES "${PROJECT_BINARY_DIR}/man/${page}.gz" DESTINATION share/man/man1)
endforeach()

set(warble_changelog "${PROJECT_BINARY_DIR}/doc/changelog.gz")
warble_add_compressed_copy("${CMAKE_CURRENT_LIST_DIR}/debian/changelog" "${PROJECT_BINARY_DIR}/doc")
list(APPEND warble_generated_files "${warble_changelog}")
add_custom_target(WarbleDesktopFiles ALL DEPENDS ${warble_generated_files})

# The user's README (playing, the presets, the renderer, where files go), not the developers' one.
install(FILES "${PROJECT_SOURCE_DIR}/docs/user/README.md" "${CMAKE_CURRENT_LIST_DIR}/debian/copyright" "${warble_changelog}"
        DESTINATION share/doc/warble)

set(CPACK_PACKAGE_NAME warble)
set(CPACK_PACKAGE_VENDOR KestrelWorks)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MIDI theremin: VST3, LV2 and CLAP instrument and standalone application")
# Lines of at most 80 columns, as Debian's tools show them; an empty line starts a paragraph.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Warble is a software instrument with up to eight gliding voices: each a sine"
    "blended towards a rounded sawtooth, with vibrato that the mod wheel brings in,"
    "through a saturating low-pass filter whose cutoff the mod wheel sweeps, then a"
    "soft clipper and a reverb. A legato switch turns the voices into one gliding"
    "line."
    ""
    "It comes as VST3, LV2 and CLAP plug-ins for hosts such as Ardour, Bitwig"
    "Studio, Carla, Qtractor or REAPER; as the application warble, played from a"
    "MIDI keyboard through ALSA or JACK, with a menu entry; and with warble-render,"
    "which plays Standard MIDI Files through the plug-in into WAV files and draws"
    "their spectrograms. Ten factory presets come with the VST3 and LV2 plug-ins"
    "and the application.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KestrelWorks <dev@warble.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link are found by dpkg-shlibdeps. JUCE opens the X11 libraries itself
# when a window is first shown, and JACK's when the application looks for a JACK server, so those
# are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libx11-6, libxext6, libxcursor1, libxinerama1, libxrandr2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libjack-jackd2-0 | libjack0")
if(WARBLE_BUILD_CLAP)
    set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/debian/drop-ldconfig-scripts.cmake")
endif()

include(CPack)
