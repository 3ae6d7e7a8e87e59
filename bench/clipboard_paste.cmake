# The plain-text paste of a copy of 100,000 report rows: first and second paste.
add_executable(bench_clipboard_paste ${CMAKE_CURRENT_SOURCE_DIR}/clipboard_paste.cpp)
target_link_libraries(bench_clipboard_paste PRIVATE galvora_report benchmark::benchmark)
add_dependencies(bench_clipboard_paste dsengine ibdriver)
galvora_warnings(bench_clipboard_paste)
