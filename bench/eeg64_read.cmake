# Reading a 64-channel set through rfbridge: CPU share of the reading thread and allocations
# per record (the allocation counter of the tests counts them).
add_executable(bench_eeg64_read ${CMAKE_CURRENT_LIST_DIR}/eeg64_read_bench.cpp)
target_link_libraries(bench_eeg64_read PRIVATE zav_core)
target_include_directories(bench_eeg64_read PRIVATE ${PROJECT_SOURCE_DIR}/tests)
zav_set_warnings(bench_eeg64_read)
if(TARGET rfbridge)
  add_dependencies(bench_eeg64_read rfbridge)
endif()
