# The hardening flags Debian builds its packages with, as dpkg-buildflags gives them (with
# bindnow): stack protector, checked format strings, fortified library calls, read-only
# relocations bound at start. Only the hardening flags are taken (the build type keeps the
# optimisation and debug flags), and only the product's own targets get them: the programs,
# the loadable libraries and the libraries they are made of. Fortified calls need
# optimisation, so a Debug or sanitizer build goes without them.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
set(galvora_hardening_compile)
set(galvora_hardening_link)
if(DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag ${flags})
      if(flag MATCHES "^-D_FORTIFY_SOURCE" AND NOT GALVORA_SANITIZE)
        list(APPEND galvora_hardening_compile $<$<NOT:$<CONFIG:Debug>>:${flag}>)
      elseif(flag MATCHES "^-(fstack-protector|fcf-protection|Wformat|Werror=format)")
        list(APPEND galvora_hardening_compile ${flag})
      elseif(flag MATCHES "^-Wl,-z,")
        list(APPEND galvora_hardening_link ${flag})
      endif()
    endforeach()
  endforeach()
endif()

# Gives the hardening flags to every compiled target defined in folder.
function(galvora_harden_folder folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|MODULE_LIBRARY|SHARED_LIBRARY|EXECUTABLE)$")
      target_compile_options(${target} PRIVATE ${galvora_hardening_compile})
      if(NOT type STREQUAL "STATIC_LIBRARY")
        target_link_options(${target} PRIVATE ${galvora_hardening_link})
      endif()
    endif()
  endforeach()
endfunction()

foreach(folder platform data grid export print report app driver engine db tools)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${folder}/CMakeLists.txt)
    galvora_harden_folder(${PROJECT_SOURCE_DIR}/${folder})
  endif()
endforeach()
