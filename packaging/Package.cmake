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

# The Debian revision of this packaging of the version (repcostoav_1.0.0-1_amd64.deb); the
# changelog's first entry must name the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/changelog changelogTop LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS changelog)
if(NOT changelogTop MATCHES "^repcostoav \\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\)")
  message(FATAL_ERROR "packaging/changelog does not start with version "
                      "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}: ${changelogTop}")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Installed to the final prefix under DESTDIR, so that install scripts see /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The engine package whose character set module the Firebird root holds a copy of (the engine
# loads no character set module through a link): that exact version, so that an update of the
# engine cannot leave the copy behind; the package is rebuilt against each engine update.
execute_process(COMMAND dpkg-query --search ${FIREBIRD_SYSTEM_ROOT}/intl/libfbintl.so
                OUTPUT_VARIABLE intlOwner OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
string(REGEX REPLACE ":.*" "" intlPackage "${intlOwner}")
if(failed OR intlPackage STREQUAL "")
  message(FATAL_ERROR "No Debian package owns ${FIREBIRD_SYSTEM_ROOT}/intl/libfbintl.so")
endif()
execute_process(COMMAND dpkg-query --show --showformat=\${Version} ${intlPackage}
                OUTPUT_VARIABLE intlVersion OUTPUT_STRIP_TRAILING_WHITESPACE)
# Loaded at run time: the Firebird client library (by the driver), the Firebird engine and
# character sets for local databases, the fonts the report's fonts are drawn with, Qt's own
# texts in Spanish (dialog buttons, the save and print dialogs); adduser for the postinst.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfbclient2, ${intlPackage} (= ${intlVersion}), \
fonts-liberation, qt6-translations-l10n, adduser")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-utils, firebird3.0-server")
# Emoji and symbols in a company or server name, for the printed header.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-symbola")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/postinst
                                       ${CMAKE_CURRENT_BINARY_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
