# Converts a realistic one-hour record and compares the time with the floor of the CSV
# format: writing the same bytes with one flush per row. Uses the tests' record writer.
if(TARGET zav_test_support)
  add_executable(bench_import ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp)
  target_link_libraries(bench_import PRIVATE zav_core zav_test_support)
  zav_set_warnings(bench_import)
endif()
