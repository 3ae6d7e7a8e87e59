# The Debian package (cpack -G DEB, or scripts/package). Its dependencies on libraries come
# from dpkg-shlibdeps over every program and library in it, so libraries linked later are
# picked up by themselves; the packages loaded at run time rather than linked are named here.

set(GALVORA_PACKAGE_MAINTAINER "Galvora <soporte@galvora.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(GALVORA_PACKAGE_DATADIR /usr/${CMAKE_INSTALL_DATADIR}/repcostoav)
file(SHA256 ${CMAKE_CURRENT_SOURCE_DIR}/registry.reg GALVORA_REGISTRY_SHA256)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS registry.reg)
foreach(script postinst postrm)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/${script}.in
                 ${CMAKE_CURRENT_BINARY_DIR}/debian/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME repcostoav)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${GALVORA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reporte Costos Avícola: poultry production cost report")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_SOURCE_DIR}/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Everything but the install-time registry step, which the postinst takes over.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time: the Firebird client library (by the driver), the Firebird engine and
# character sets for local databases, and the fonts the report's fonts are drawn with; adduser
# for the postinst.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfbclient2, firebird3.0-server-core, fonts-liberation, adduser")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-utils, firebird3.0-server")
# Emoji and symbols in a company or server name, for the printed header.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-symbola")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/postinst
                                       ${CMAKE_CURRENT_BINARY_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
