# A Debian package of the installed files: cpack -G DEB (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pluvix)
set(CPACK_PACKAGE_VENDOR "Pluvix developers")
set(CPACK_PACKAGE_CONTACT "Pluvix developers <pluvix@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weather-radar image viewer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pluvix.github.io/")
# Dependencies come from the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open shows the help page in the browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The extended description; CPack puts the summary in front and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pluvix shows the newest images of one weather-radar station and radar
product in one map picture with zoom, range rings, a history slider and a
loop player, and polls the server for newer images. The package includes
pluvix-radar-server, a loopback radar image server that draws radar
pictures.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian's copyright file and changelog.
set(PLUVIX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/pluvix)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
               ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/debian/changelog
          > ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(pluvix_debian_changelog ALL
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
              ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
        DESTINATION ${PLUVIX_DOC_DIR})

include(CPack)
