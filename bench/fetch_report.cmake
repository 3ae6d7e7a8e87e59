# Fetching the report's 22-column rows: through TSQLQuery and the driver library, and written
# directly against the Firebird client API, in the same run.
add_executable(bench_fetch_report ${CMAKE_CURRENT_SOURCE_DIR}/fetch_report.cpp)
target_link_libraries(bench_fetch_report PRIVATE galvora_data ${FBCLIENT_LIBRARY}
                      benchmark::benchmark)
target_include_directories(bench_fetch_report PRIVATE ${FBCLIENT_INCLUDE_DIR})
add_dependencies(bench_fetch_report ibdriver)
galvora_warnings(bench_fetch_report)
