# The two-device conversion as a host meets it: the shared library and the public header.
add_executable(record_eeg64_c_tests ${CMAKE_CURRENT_LIST_DIR}/eeg64_c_interface_test.cpp)
target_link_libraries(record_eeg64_c_tests PRIVATE zav zav_test_support ${ZAV_GTEST_MAIN})
zav_set_warnings(record_eeg64_c_tests)
add_test(NAME record_eeg64_c_tests COMMAND record_eeg64_c_tests)
