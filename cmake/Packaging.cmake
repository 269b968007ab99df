# A Debian package of what `cmake --install` puts in place, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR ${KV27_PUBLISHER})
set(CPACK_PACKAGE_CONTACT "KV27 Exerciser developers <kv27-exerciser@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer and exerciser for the KV27 home-automation interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows every action a KV27 interface reports and sends it commands over the powerline or by radio. Without the device, a simulated one stands in.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Depends is worked out from the shared libraries the program links, by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
