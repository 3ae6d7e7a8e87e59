# Opening the client result set over 100,000 report rows from a real database, against the raw
# client-API fetch of the same rows in the same run.
add_executable(bench_dataset_open ${CMAKE_CURRENT_SOURCE_DIR}/dataset_open.cpp
               ${PROJECT_SOURCE_DIR}/tests/data/support/SqlTestDatabase.cpp)
target_include_directories(bench_dataset_open PRIVATE ${FBCLIENT_INCLUDE_DIR})
target_link_libraries(bench_dataset_open PRIVATE galvora_db galvora_data ${FBCLIENT_LIBRARY}
                      benchmark::benchmark)
add_dependencies(bench_dataset_open dsengine ibdriver)
galvora_warnings(bench_dataset_open)
