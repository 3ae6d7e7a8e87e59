# The printed report as a PDF of 100,000 rows: the batch exporter's whole run against its text
# run (wall time, CPU of all threads, peak memory), and the pages of an in-memory report
# written one by one with the memory sampled as they go.
add_executable(bench_print_pdf ${CMAKE_CURRENT_SOURCE_DIR}/print_pdf.cpp
               ${PROJECT_SOURCE_DIR}/tests/grid/support/MemDataSet.cpp)
target_include_directories(bench_print_pdf PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(bench_print_pdf PRIVATE galvora_print benchmark::benchmark)
galvora_warnings(bench_print_pdf)
if(TARGET repcostoav-export)
  add_dependencies(bench_print_pdf repcostoav-export galvora-demo)
endif()
