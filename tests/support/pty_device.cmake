# The pseudo-terminal amplifier exists only where there are pseudo-terminals.
if(NOT WIN32)
  target_sources(zav_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pty_device.cpp)
endif()
