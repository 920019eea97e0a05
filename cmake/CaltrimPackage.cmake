# The Debian package of the installed program: `cpack -G DEB` in a build folder (scripts/package).
# It holds what the install rules lay out (the program folder, launchers, desktop entry, icons,
# udev rule, caltrim-cli's bash completion and man page) and nothing else: tests, benchmarks and simulators have no install rules.
set(CALTRIM_PACKAGE_MAINTAINER "Norvik Caltrim team <caltrim@norvik.example>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME caltrim)
set(CPACK_PACKAGE_VENDOR Norvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CALTRIM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "servo calibration tool for Vorla2 humanoid robots")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Caltrim finds Vorla2 robots on the local network or on USB, shows one panel per servo,\n"
    "and writes the calibration offsets the operator sets. The program and its libraries\n"
    "live in /usr/lib/caltrim, and the command caltrim starts it; caltrim-cli does the same\n"
    "from a shell, for production lines and scripts (see caltrim-cli(1); bash completes\n"
    "its commands).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CALTRIM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links; the program folder's own libraries are found there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${CALTRIM_INSTALL_DIR})
# Run, not linked: the debug bridge that reaches a robot on USB. Chinese texts need a font with
# the characters.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adb")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")

include(CPack)
