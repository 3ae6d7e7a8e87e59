# Install step: copies the default registry file (GALVORA_REGISTRY_TEMPLATE, under the
# prefix) to /etc/qor/registry.reg when no file or link of that name exists.
set(registry "$ENV{DESTDIR}/etc/qor/registry.reg")
set(template "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${GALVORA_REGISTRY_TEMPLATE}")
if(EXISTS "${registry}" OR IS_SYMLINK "${registry}")
  message(STATUS "Kept: ${registry}")
  return()
endif()
execute_process(COMMAND mkdir -p "$ENV{DESTDIR}/etc/qor" RESULT_VARIABLE failed ERROR_QUIET)
if(NOT failed)
  # -n: a file that appeared meanwhile is not replaced.
  execute_process(COMMAND cp -n "${template}" "${registry}" RESULT_VARIABLE failed ERROR_QUIET)
endif()
if(failed OR NOT EXISTS "${registry}")
  message(WARNING "Cannot create ${registry}; as root: "
                  "install -D -m 0644 ${template} /etc/qor/registry.reg")
else()
  message(STATUS "Installing: ${registry}")
endif()
