# The serial transport: device-free checks everywhere, and one port suite (serial_port_test)
# against a pseudo-terminal device on POSIX, or on Windows against the scripted device that
# wine_serial_device.py puts behind a wine COM port.
if(NOT WIN32)
  zav_add_test(serial_tests
    ${CMAKE_CURRENT_LIST_DIR}/usb_connection_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_block_stream_test.cpp)
else()
  zav_add_test(serial_tests ${CMAKE_CURRENT_LIST_DIR}/usb_connection_test.cpp)

  add_executable(serial_win_tests ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp)
  target_link_libraries(serial_win_tests PRIVATE zav_test_support zav_core ${ZAV_GTEST_MAIN})
  target_include_directories(serial_win_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/..)
  zav_set_warnings(serial_win_tests)
  find_program(ZAV_PYTHON NAMES python3 NO_CMAKE_FIND_ROOT_PATH)
  if(ZAV_WINE AND ZAV_PYTHON)
    # The script is the command so that the emulator does not run it; it runs the
    # program under wine itself, in WINEPREFIX (or ~/.wine) like the other tests.
    add_test(NAME serial_win_tests
      COMMAND ${ZAV_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/wine_serial_device.py ${ZAV_WINE} $<TARGET_FILE:serial_win_tests>)
    # Its port hang-up reaches the wine server of the prefix, which the other wine tests
    # share: it runs alone.
    set_tests_properties(serial_win_tests PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE)
  endif()
endif()
