# The batch exporter's 100,000-warehouse report with the engine in the shared mode against the
# exclusive mode, each run a process of its own.
add_executable(bench_shared_mode ${CMAKE_CURRENT_SOURCE_DIR}/shared_mode.cpp)
target_link_libraries(bench_shared_mode PRIVATE benchmark::benchmark)
galvora_warnings(bench_shared_mode)
if(TARGET repcostoav-export)
  add_dependencies(bench_shared_mode repcostoav-export galvora-demo firebird_root)
endif()
