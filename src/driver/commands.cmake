target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/battery_estimator.cpp)
