zav_add_test(protocol_tests
  ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/battery_estimator_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/identity_test.cpp)
