# Display text of decimal values: plain notation and the format engine, alone and through a
# field (the grid and the exporters ask every cell's text this way).
add_executable(bench_fields_format ${CMAKE_CURRENT_SOURCE_DIR}/fields_format.cpp
               ${PROJECT_SOURCE_DIR}/tests/data/support/MemoryDataSet.cpp)
target_link_libraries(bench_fields_format PRIVATE galvora_data benchmark::benchmark)
galvora_warnings(bench_fields_format)
