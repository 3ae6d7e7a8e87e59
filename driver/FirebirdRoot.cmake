# The Firebird root of the programs: lib/firebird in the build tree, the private library folder's
# firebird/ when installed. Its firebird.conf sets ServerMode = Classic (and a page cache as
# large as the exclusive mode's) ahead of the system's own configuration; everything else links
# to the system's root, except intl/: a real folder with a copy of the character set module
# (the engine finds no character set through a link).
find_path(FIREBIRD_SYSTEM_ROOT firebird.msg
          PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/firebird/3.0 /usr/lib/firebird/3.0
                /opt/firebird
          NO_DEFAULT_PATH REQUIRED
          DOC "The Firebird 3 root that the programs' own root takes its files from")

set(firebird_root ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/firebird)
set(firebird_root_script ${CMAKE_CURRENT_SOURCE_DIR}/MakeFirebirdRoot.cmake)
add_custom_command(
  OUTPUT ${firebird_root}/firebird.conf
  COMMAND ${CMAKE_COMMAND} -DSYSTEM_ROOT=${FIREBIRD_SYSTEM_ROOT} -DROOT=${firebird_root}
          -P ${firebird_root_script}
  DEPENDS ${firebird_root_script} ${FIREBIRD_SYSTEM_ROOT}/intl/libfbintl.so
  COMMENT "Firebird root for shared local databases"
  VERBATIM)
add_custom_target(firebird_root ALL DEPENDS ${firebird_root}/firebird.conf)
# The driver is of no use without the root beside it.
add_dependencies(ibdriver firebird_root)

install(DIRECTORY ${firebird_root} DESTINATION ${GALVORA_PRIVATE_LIBDIR} USE_SOURCE_PERMISSIONS)
