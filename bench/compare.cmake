# The comparison of two periods against one report, at 100,000 warehouses.
add_executable(bench_compare ${CMAKE_CURRENT_SOURCE_DIR}/compare.cpp)
target_link_libraries(bench_compare PRIVATE galvora_report benchmark::benchmark)
add_dependencies(bench_compare dsengine ibdriver galvora-demo)
galvora_warnings(bench_compare)
