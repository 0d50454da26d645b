add_executable(bench_multi ${CMAKE_CURRENT_LIST_DIR}/multi_bench.cpp)
target_link_libraries(bench_multi PRIVATE zav_core benchmark::benchmark)
zav_set_warnings(bench_multi)
