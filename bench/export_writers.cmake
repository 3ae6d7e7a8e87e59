# The writers over 100,000 report rows, against a plain buffered fwrite of the same bytes.
add_executable(bench_export_writers ${CMAKE_CURRENT_SOURCE_DIR}/export_writers.cpp)
target_link_libraries(bench_export_writers PRIVATE galvora_export benchmark::benchmark)
galvora_warnings(bench_export_writers)
