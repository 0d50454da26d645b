# CPU per second of data of a BDF recording of 64 EEG channels at 256 samples per second.
if(ZAV_BDF AND TARGET zav_test_support)
  add_executable(bench_bdf ${CMAKE_CURRENT_LIST_DIR}/bdf_bench.cpp)
  target_link_libraries(bench_bdf PRIVATE zav_core zav_test_support benchmark::benchmark)
  zav_set_warnings(bench_bdf)
endif()
