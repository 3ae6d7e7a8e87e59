# Company database generation and the report procedure at benchmark scale.
add_executable(bench_db_generate ${CMAKE_CURRENT_SOURCE_DIR}/db_generate.cpp)
target_link_libraries(bench_db_generate PRIVATE galvora_db benchmark::benchmark)
galvora_warnings(bench_db_generate)
