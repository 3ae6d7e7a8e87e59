# repcostoav-export: the report without a display, for scheduled jobs.
add_executable(repcostoav-export ${CMAKE_CURRENT_SOURCE_DIR}/repcostoav-export.cpp)
target_link_libraries(repcostoav-export PRIVATE galvora_report)
galvora_warnings(repcostoav-export)
install(TARGETS repcostoav-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
