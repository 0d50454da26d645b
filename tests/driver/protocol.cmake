# The device protocol: commands, block framing, and what the driver derives from the answers.
zav_add_test(protocol_tests block_reader_test.cpp commands_test.cpp battery_estimator_test.cpp identity_test.cpp
  clock_offset_test.cpp)
