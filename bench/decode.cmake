add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/decode_bench.cpp)
target_link_libraries(bench_decode PRIVATE zav_core benchmark::benchmark)
zav_set_warnings(bench_decode)
