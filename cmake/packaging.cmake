# SPDX-License-Identifier: GPL-3.0-or-later
# What a Debian installation adds to the programs: manual pages, AppStream
# metadata, the copyright and changelog, and the package itself.
#
# The package is made by CPack from this build tree (scripts/package.sh), not
# by dpkg-buildpackage from a debian/ folder: it packs the binaries the tree
# has already built and tested instead of building them all again, so a
# package takes seconds, and its dependencies are still computed from the
# binaries by dpkg-shlibdeps.

set(TARVO_APP_ID org.tarvo.ControlPanel)
# A placeholder until the project has an address of its own.
set(TARVO_HOMEPAGE https://tarvo.example.org/control-panel)
set(TARVO_CONTACT "Tarvo Control Panel developers <packages@tarvo.example.org>")

# The release date in the forms the changelog and the manual pages use.
execute_process(COMMAND date -u -R -d "${TARVO_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE TARVO_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u +%s -d "${TARVO_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE TARVO_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)

# Manual pages from each program's own --help (help2man), made when the
# program is built. The sanitizer and fuzzing tree is never installed, and
# makes none.
find_program(TARVO_HELP2MAN help2man)
if(TARVO_FUZZ)
elseif(TARVO_HELP2MAN)
    set(pages)
    foreach(entry
            "tarvo-control-panel|find a master clock, show and edit its settings and set its time"
            "tarvo-clock|give a master clock every command of the control panel from a shell"
            "clock-simulator|a simulated master clock on a pseudo-terminal and a loopback UDP address")
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 program)
        list(GET entry 1 whatis)
        if(NOT TARGET ${program})
            continue()
        endif()
        set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
        add_custom_command(OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                SOURCE_DATE_EPOCH=${TARVO_RELEASE_EPOCH}
                sh ${CMAKE_SOURCE_DIR}/cmake/manpage.sh ${TARVO_HELP2MAN} $<TARGET_FILE:${program}>
                "${whatis}" ${page}
            DEPENDS ${program} ${CMAKE_SOURCE_DIR}/cmake/manpage.sh ${CMAKE_SOURCE_DIR}/cmake/help2roff.awk
                ${CMAKE_SOURCE_DIR}/cmake/tarvo-control-panel.h2m
            COMMENT "Manual page of ${program}" VERBATIM)
        list(APPEND pages ${page})
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(STATUS "help2man not found: no manual pages (scripts/install-deps.sh installs it)")
endif()

configure_file(resources/${TARVO_APP_ID}.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/${TARVO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${TARVO_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

configure_file(resources/debian/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND gzip -9n -f -k ${CMAKE_BINARY_DIR}/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES resources/debian/copyright ${CMAKE_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvo-control-panel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvo-control-panel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TARVO_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for Tarvo master clocks")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program that finds a master clock on a serial port or on the local
network, shows and edits its settings, sets its time, downloads
daylight-saving dates and can keep the computer's clock set from the clock.

The package also holds tarvo-clock, every command of the window for scripts
and servers, a service that feeds chronyd from a clock on a serial port, and
clock-simulator, a simulated master clock to try the program without the
hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TARVO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS chrony)
# The maintainer scripts do for the templated chrony feed unit what Debian's
# helpers do for a unit: systemd reads it again after installation and
# removal, running instances stop before removal, and purge takes away the
# links that enabled them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/resources/debian/postinst
    ${CMAKE_SOURCE_DIR}/resources/debian/prerm ${CMAKE_SOURCE_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Installed with DESTDIR, so the install step sees the real prefix (/usr) and
# the service unit names /usr/bin/tarvo-clock.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
