# The bridge program, run as a child process and reached through the library's Bluetooth
# transport; it is found beside the test program.
zav_add_test(rfbridge_tests ${CMAKE_CURRENT_LIST_DIR}/rfbridge_test.cpp)
add_dependencies(rfbridge_tests rfbridge)
