# The simulated device, through the Connection operations and on its own.
zav_add_test(mock_tests ${CMAKE_CURRENT_LIST_DIR}/mock_connection_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_device_test.cpp)
