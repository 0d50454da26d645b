# The Bluetooth transport against a loopback bridge peer, and its client on its own.
zav_add_test(bluetooth_tests ${CMAKE_CURRENT_LIST_DIR}/bluetooth_connection_test.cpp)
