# Converts a one-hour and a four-hour left/right record pair and compares their peak
# memory, and the time with the floor of the CSV format. Uses the tests' record writer.
if(TARGET zav_test_support)
  add_executable(bench_eeg64_import ${CMAKE_CURRENT_LIST_DIR}/eeg64_import_bench.cpp)
  target_link_libraries(bench_eeg64_import PRIVATE zav_core zav_test_support)
  zav_set_warnings(bench_eeg64_import)
endif()
