target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bluetooth_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bluetooth_connection.cpp)
