# cpack -G DEB: the Debian package `vandrel` of a Release build, installed under /usr. The
# libraries come from dpkg-shlibdeps; beside them the program needs the fonts its pages and
# pictures name. Leaflet is not a dependency: the build copies it beside the pages, because the
# program's URI scheme serves only files that lie inside its own folders (a link out to
# /usr/share/javascript would be refused), and the copy is the one the pages were tested with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vandrel developers")
set(CPACK_PACKAGE_CONTACT "${VANDREL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of a handheld GPS data logger")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANDREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANDREL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description below the summary; CPack indents its lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vandrel downloads the tracks a handheld GPS data logger recorded (time,
position, altitude, air pressure and temperature of every fix) into a local
database and shows them day by day on a map, with a profile chart and the
list of points. Tracks are exported as GPX or KMZ or saved in archives; the
logger's points of interest and settings are edited, its firmware updated
and its log erased.

The package holds the desktop program vandrel, the command-line tool
vandrel-cli and the logger simulator vandrel-sim.")
include(CPack)
