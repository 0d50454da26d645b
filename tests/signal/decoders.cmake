zav_add_test(decoder_tests ${CMAKE_CURRENT_LIST_DIR}/signal_decoder_test.cpp)
