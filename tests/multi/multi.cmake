# The left/right alignment and the two-device set over two simulated devices.
zav_add_test(multi_tests
  ${CMAKE_CURRENT_LIST_DIR}/side_buffer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/alignment_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/multi_driver_test.cpp)
