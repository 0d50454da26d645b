target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/property_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection_factory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/driver_connection.cpp)
