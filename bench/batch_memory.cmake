# The batch exporter's peak memory at 10,000, 100,000 and 1,000,000 report rows, per one-pass
# format, against isql-fb running the same query in the same run.
add_executable(bench_batch_memory ${CMAKE_CURRENT_SOURCE_DIR}/batch_memory.cpp)
target_include_directories(bench_batch_memory PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(bench_batch_memory PRIVATE benchmark::benchmark)
galvora_warnings(bench_batch_memory)
if(TARGET repcostoav-export)
  add_dependencies(bench_batch_memory repcostoav-export galvora-demo)
endif()
