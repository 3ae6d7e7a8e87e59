# Closing the window after a copy of 100,000 report rows, on a private X server, with and
# without a clipboard manager.
add_executable(bench_clipboard_close ${CMAKE_CURRENT_SOURCE_DIR}/clipboard_close.cpp
               ${PROJECT_SOURCE_DIR}/tests/x11/support/ClipboardManagerStandIn.cpp
               ${PROJECT_SOURCE_DIR}/tests/x11/support/XvfbServer.cpp)
target_link_libraries(bench_clipboard_close PRIVATE galvora_report Qt6::Test benchmark::benchmark)
add_dependencies(bench_clipboard_close dsengine ibdriver)
galvora_warnings(bench_clipboard_close)
