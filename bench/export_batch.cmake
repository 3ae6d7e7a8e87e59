# The batch exporter's whole run over 100,000 report rows against isql-fb writing the same
# query to a file.
add_executable(bench_export_batch ${CMAKE_CURRENT_SOURCE_DIR}/export_batch.cpp)
target_include_directories(bench_export_batch PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(bench_export_batch PRIVATE benchmark::benchmark)
galvora_warnings(bench_export_batch)
if(TARGET repcostoav-export)
  add_dependencies(bench_export_batch repcostoav-export galvora-demo)
endif()
