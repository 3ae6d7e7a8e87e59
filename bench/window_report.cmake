# The report window's F2 over 100,000 warehouses: from the key to the rows painted, against
# opening the same result set without the window, in the same run.
add_executable(bench_window_report ${CMAKE_CURRENT_SOURCE_DIR}/window_report.cpp)
target_include_directories(bench_window_report PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(bench_window_report PRIVATE galvora_app Qt6::Test benchmark::benchmark)
add_dependencies(bench_window_report dsengine ibdriver)
if(TARGET galvora-demo)
  add_dependencies(bench_window_report galvora-demo)
endif()
galvora_warnings(bench_window_report)
