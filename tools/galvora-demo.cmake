# galvora-demo: writes a demo installation folder (company database, server list, registry).
add_executable(galvora-demo ${CMAKE_CURRENT_SOURCE_DIR}/galvora-demo.cpp)
target_link_libraries(galvora-demo PRIVATE galvora_db galvora_firebird_root galvora_platform)
galvora_warnings(galvora-demo)
