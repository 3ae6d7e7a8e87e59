# The report over 100,000 rows from the same company database, opened through the embedded
# engine and through the Firebird server on loopback (scripts/server start).
add_executable(bench_server_report ${CMAKE_CURRENT_SOURCE_DIR}/server_report.cpp
               ${PROJECT_SOURCE_DIR}/tests/server/support/ServerSupport.cpp)
target_include_directories(bench_server_report PRIVATE ${FBCLIENT_INCLUDE_DIR})
target_link_libraries(bench_server_report PRIVATE galvora_db galvora_app ${FBCLIENT_LIBRARY}
                      benchmark::benchmark)
add_dependencies(bench_server_report dsengine ibdriver)
galvora_warnings(bench_server_report)
