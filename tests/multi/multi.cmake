# The left/right alignment and the two-device set over two simulated devices.
zav_add_test(multi_tests side_buffer_test.cpp alignment_test.cpp multi_driver_test.cpp)
