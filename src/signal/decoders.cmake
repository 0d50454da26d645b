target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/signal_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale_decoders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/value_decoders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_decoders.cpp)
