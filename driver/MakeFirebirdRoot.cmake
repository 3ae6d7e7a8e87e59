# cmake -DSYSTEM_ROOT=<system Firebird root> -DROOT=<folder> -P MakeFirebirdRoot.cmake
# Writes the programs' Firebird root into ROOT (see FirebirdRoot.cmake).
file(REMOVE_RECURSE ${ROOT})
file(MAKE_DIRECTORY ${ROOT}/intl)
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${SYSTEM_ROOT} ${SYSTEM_ROOT}/*)
foreach(entry ${entries})
  if(NOT entry STREQUAL "firebird.conf" AND NOT entry STREQUAL "intl")
    file(CREATE_LINK ${SYSTEM_ROOT}/${entry} ${ROOT}/${entry} SYMBOLIC)
  endif()
endforeach()
# The engine finds no character set through a linked character set module: that one is copied.
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${SYSTEM_ROOT}/intl ${SYSTEM_ROOT}/intl/*)
foreach(entry ${entries})
  if(entry MATCHES "\\.so$")
    file(COPY ${SYSTEM_ROOT}/intl/${entry} DESTINATION ${ROOT}/intl FOLLOW_SYMLINK_CHAIN)
  else()
    file(CREATE_LINK ${SYSTEM_ROOT}/intl/${entry} ${ROOT}/intl/${entry} SYMBOLIC)
  endif()
endforeach()
# The first value of a setting wins, so ServerMode comes before the system's configuration.
file(WRITE ${ROOT}/firebird.conf
"# Firebird root of the Galvora programs for local company databases.
# Classic mode lets several processes open one database file at the same time: the report
# window, batch exports, and Firebird tools started with FIREBIRD set to this folder.
# Every process that opens a local file directly must use the same mode.
ServerMode = Classic
# Each process keeps its own page cache in this mode: as large as the exclusive mode's one
# cache, so a report reads its pages from memory rather than again from the file.
DefaultDbCachePages = 2048
include ${SYSTEM_ROOT}/firebird.conf
")
