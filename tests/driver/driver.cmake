if(NOT WIN32)
  zav_add_test(driver_tests ${CMAKE_CURRENT_LIST_DIR}/driver_pty_test.cpp)
endif()
