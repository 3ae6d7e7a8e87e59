# The report grid's export of 100,000 rows already in the client result set, per format.
add_executable(bench_report_export ${CMAKE_CURRENT_SOURCE_DIR}/report_export.cpp)
target_link_libraries(bench_report_export PRIVATE galvora_report benchmark::benchmark)
add_dependencies(bench_report_export dsengine ibdriver)
galvora_warnings(bench_report_export)
