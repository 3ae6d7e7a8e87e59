# One full frame of the report grid at the window's start size, over 100 and 1,000,000 records:
# painting depends on the window size, not on the record count.
add_executable(bench_grid_paint ${CMAKE_CURRENT_SOURCE_DIR}/grid_paint.cpp
               ${PROJECT_SOURCE_DIR}/tests/grid/support/MemDataSet.cpp)
target_include_directories(bench_grid_paint PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(bench_grid_paint PRIVATE galvora_grid Qt6::Widgets benchmark::benchmark)
galvora_warnings(bench_grid_paint)
