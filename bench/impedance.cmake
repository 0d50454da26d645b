add_executable(bench_impedance ${CMAKE_CURRENT_LIST_DIR}/impedance_bench.cpp)
target_link_libraries(bench_impedance PRIVATE zav_core benchmark::benchmark)
zav_set_warnings(bench_impedance)
