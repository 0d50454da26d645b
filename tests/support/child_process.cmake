# Child processes for tests that run a program of the build (the bridge).
if(WIN32)
  target_sources(zav_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/child_process_win32.cpp)
else()
  target_sources(zav_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/child_process_posix.cpp)
endif()
