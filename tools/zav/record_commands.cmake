target_sources(zav_cli PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/import_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/import_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/records_command.cpp)
