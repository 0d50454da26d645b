# Left/right alignment: per-device sample queues, marker codes, the step and the merge.
# Free of transports and drivers, so that the two-device record import can use it.
target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/alignment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marker_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/side_buffer.cpp)
