# The serial transport: one suite, against a pseudo-terminal device on POSIX, and on Windows
# against the scripted device that wine_serial_device.py puts behind a wine COM port.
zav_add_test(serial_tests ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp)
if(WIN32)
  find_program(ZAV_PYTHON NAMES python3 NO_CMAKE_FIND_ROOT_PATH)
endif()
if(WIN32 AND ZAV_WINE AND ZAV_PYTHON)
  # The script is the command so that the emulator does not run it; it runs the program under
  # wine itself. Its port hang-up reaches the wine server that the other wine tests share.
  add_test(NAME serial_win_tests COMMAND ${ZAV_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/wine_serial_device.py
    ${ZAV_WINE} $<TARGET_FILE:serial_tests>)
  set_tests_properties(serial_win_tests PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE)
endif()
