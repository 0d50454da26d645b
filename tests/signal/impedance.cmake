zav_add_test(filter_tests ${CMAKE_CURRENT_LIST_DIR}/filter_test.cpp)
target_compile_definitions(filter_tests PRIVATE ZAV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")

zav_add_test(impedance_tests ${CMAKE_CURRENT_LIST_DIR}/impedance_estimator_test.cpp)
