# Connect cycles through the C interface (short by default; see soak_test.cpp for long ones)
# and several handles on several threads at once.
if(NOT WIN32)
  zav_add_host_test(soak_tests ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp)
endif()
zav_add_host_test(thread_tests ${CMAKE_CURRENT_LIST_DIR}/thread_test.cpp)
