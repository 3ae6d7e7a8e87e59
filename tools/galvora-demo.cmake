# galvora-demo: writes a demo installation folder (company database, server list, registry).
add_executable(galvora-demo ${CMAKE_CURRENT_SOURCE_DIR}/galvora-demo.cpp
                            ${CMAKE_CURRENT_SOURCE_DIR}/DemoFolderFiles.cpp)
# Only the platform layer's --version/--help answer and its program folder are used: no Qt
# libraries are needed.
target_link_libraries(galvora-demo PRIVATE galvora_db galvora_firebird_root galvora_platform)
target_link_options(galvora-demo PRIVATE -Wl,--as-needed)
galvora_warnings(galvora-demo)
install(TARGETS galvora-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
