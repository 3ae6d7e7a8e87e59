# A paste of a delayed copy's plain-text target at 10,000 and 100,000 report rows: the first
# paste of a copy and a second paste of the same copy.
add_executable(bench_paste_text ${CMAKE_CURRENT_SOURCE_DIR}/paste_text.cpp)
target_link_libraries(bench_paste_text PRIVATE galvora_platform Qt6::Gui benchmark::benchmark)
galvora_warnings(bench_paste_text)
