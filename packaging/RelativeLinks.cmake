# Install step: the absolute links of the installed Firebird root (GALVORA_FIREBIRD_ROOT, under
# the prefix) that point into the same top folder as the root (/usr into /usr) become relative.
# Links into another top folder (a root under /opt linking to /usr) stay absolute.
# Links are listed, never followed into the system's folders.
cmake_policy(SET CMP0009 NEW)
set(root "${CMAKE_INSTALL_PREFIX}/${GALVORA_FIREBIRD_ROOT}")
string(REGEX MATCH "^/[^/]+" rootTop "${root}")
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "$ENV{DESTDIR}${root}"
     "$ENV{DESTDIR}${root}/*")
foreach(entry ${entries})
  set(path "$ENV{DESTDIR}${root}/${entry}")
  if(NOT IS_SYMLINK "${path}")
    continue()
  endif()
  file(READ_SYMLINK "${path}" target)
  string(REGEX MATCH "^/[^/]+" targetTop "${target}")
  if(IS_ABSOLUTE "${target}" AND targetTop STREQUAL rootTop)
    get_filename_component(folder "${root}/${entry}" DIRECTORY)
    file(RELATIVE_PATH relative "${folder}" "${target}")
    file(REMOVE "${path}")
    file(CREATE_LINK "${relative}" "${path}" SYMBOLIC)
  endif()
endforeach()
