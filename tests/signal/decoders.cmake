zav_add_test(decoder_tests
  ${CMAKE_CURRENT_LIST_DIR}/signal_decoder_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_decoders_test.cpp)
