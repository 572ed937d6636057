# Installing and packaging: the two plug-in bundles where Linux hosts look for them, the
# application on the path and the README beside them.
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
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION share/doc/warble)

set(CPACK_PACKAGE_NAME warble)
set(CPACK_PACKAGE_VENDOR KestrelWorks)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MIDI theremin: VST3 and LV2 instrument and standalone application")
set(CPACK_PACKAGE_DESCRIPTION
    "Warble is a software instrument with up to eight gliding voices, a filter swept by the mod wheel, a reverb and a legato switch. It comes as a VST3 plug-in, an LV2 plug-in and a standalone application for ALSA or JACK.")
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

include(CPack)
