# Run by CPack after it has made the package (CPACK_POST_BUILD_SCRIPTS). CPack gives a package
# maintainer scripts that run ldconfig whenever it finds a shared object in a folder directly below
# /usr/lib, and Warble.clap in /usr/lib/clap is one to its eyes. Hosts open a plug-in by its path,
# so the linker's cache has nothing to learn from it, and lintian warns about the calls: the package
# is rebuilt without those two scripts, and is otherwise unchanged.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()

    set(tree "${package}.contents")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

    foreach(script IN ITEMS postinst postrm)
        set(path "${tree}/DEBIAN/${script}")

        if(EXISTS "${path}")
            file(READ "${path}" content)

            # Only CPack's own script goes; one with anything else in it stays.
            if(content MATCHES "^#!/bin/sh\n+set -e\n+if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then\n\tldconfig\nfi\n*$")
                file(REMOVE "${path}")
            endif()
        endif()
    endforeach()

    # Compressed as CPack compressed it (gzip): dpkg-deb's own default, xz, takes minutes over
    # the sanitizer builds' large binaries.
    execute_process(COMMAND dpkg-deb -Zgzip --root-owner-group --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
