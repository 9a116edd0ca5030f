# `cpack -G DEB` in a Release build without tests makes kelpo_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME kelpo)
set(CPACK_PACKAGE_VENDOR "kelpo.example.org")
set(CPACK_PACKAGE_CONTACT "Kelpo <share@kelpo.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "organiser for the web sites you visit on a schedule")
set(CPACK_PACKAGE_DESCRIPTION "Kelpo keeps the web sites you visit again and again, above all the entry
forms of on-line contests and prize draws, as items in groups. It shows which
are due now under thirteen repeat kinds, opens them in your browser, marks
them done, and types a per-item keystroke script into the site's form.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# The libraries come from the binary (dpkg-shlibdeps); xdg-open opens pages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
# Qt's Wayland platform: without it Kelpo runs through XWayland in a Wayland session.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
