# Debian package of the program: `cpack` in the build directory (after a
# build) writes vorn_<version>_<arch>.deb there.
#
# The shared-library dependencies are found by dpkg-shlibdeps (dpkg-dev);
# what the program loads at run time without linking it is declared here.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vorn developers")
set(CPACK_PACKAGE_CONTACT "The Vorn developers <team@vornproject.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "type text in the Old Hungarian script")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Vorn is a small desktop tool for typing text in the Old Hungarian script,\n"
  "which runs right to left. A built-in keyboard layout turns each key into\n"
  "one of the script's characters, and the line is drawn right to left in a\n"
  "font chosen from the installed fonts that cover the script. Copy puts the\n"
  "whole text on the clipboard; Delete empties it; Cut does both.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package's own revision, which its changelog.Debian names too.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vornproject.org/")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugin (xcb, wayland) at run time, so no
# linked library pulls it in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The face that the pictures were drawn from, and one that covers the
# script's letters; Qt's own dialog texts in the user's language; Qt's
# Wayland plugin, so that the window runs natively in a Wayland session.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# What Debian wants beside the program: the copyright file with the licences,
# and the package's changelog, compressed without a name or time stamp.
include(GNUInstallDirs)
set(vorn_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/changelog.Debian.gz
  COMMAND sh -c "${GZIP} -9 -n -c '${CMAKE_CURRENT_LIST_DIR}/debian/changelog.Debian' > changelog.Debian.gz"
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog.Debian
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(vorn_debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${vorn_doc_dir})

include(CPack)
