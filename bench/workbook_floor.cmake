# The workbook writer against libxlsxwriter alone writing the same cells, at 10,000 and
# 100,000 report rows.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BENCH_XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
add_executable(bench_workbook_floor ${CMAKE_CURRENT_SOURCE_DIR}/workbook_floor.cpp)
target_link_libraries(bench_workbook_floor PRIVATE galvora_export PkgConfig::BENCH_XLSXWRITER
                      benchmark::benchmark)
galvora_warnings(bench_workbook_floor)
