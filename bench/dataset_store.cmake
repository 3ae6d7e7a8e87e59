# The client result set in memory: opening over a provider (no database), store bytes per row,
# and first/next/locate over a million rows.
add_executable(bench_dataset_store ${CMAKE_CURRENT_SOURCE_DIR}/dataset_store.cpp)
target_link_libraries(bench_dataset_store PRIVATE galvora_data benchmark::benchmark)
add_dependencies(bench_dataset_store dsengine)
galvora_warnings(bench_dataset_store)
