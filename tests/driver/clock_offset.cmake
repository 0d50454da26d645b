zav_add_test(clock_offset_tests ${CMAKE_CURRENT_LIST_DIR}/clock_offset_test.cpp)
