# Bluetooth name look-up through BlueZ on Linux: against a mock BlueZ that
# bluez_mock_bus.py serves on a private bus, and with no bus at all.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  add_executable(bluez_discovery_tests ${CMAKE_CURRENT_LIST_DIR}/bluez_discovery_test.cpp)
  target_link_libraries(bluez_discovery_tests PRIVATE zav_core ${ZAV_GTEST_MAIN} ${CMAKE_DL_LIBS})
  zav_set_warnings(bluez_discovery_tests)

  # The time-out is part of the test: a silent bus must be given up on within seconds.
  add_test(NAME bluez_discovery_no_bus COMMAND bluez_discovery_tests --gtest_filter=NoBus.*:SilentBus.*)
  set_tests_properties(bluez_discovery_no_bus PROPERTIES TIMEOUT 30
    ENVIRONMENT "DBUS_SYSTEM_BUS_ADDRESS=unix:path=${CMAKE_CURRENT_BINARY_DIR}/no-such-bus")

  # Debian's interpreter, which sees python3-dbusmock (the first python3 on the path may not).
  find_program(ZAV_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(ZAV_DEBIAN_PYTHON)
    add_test(NAME bluez_discovery_mock_bus
      COMMAND ${ZAV_DEBIAN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/bluez_mock_bus.py
        $<TARGET_FILE:bluez_discovery_tests> --gtest_filter=MockBluez.*)
    set_tests_properties(bluez_discovery_mock_bus PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
  endif()
endif()
