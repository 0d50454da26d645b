target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/connection_factory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/make_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_batch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/driver_connection.cpp)
