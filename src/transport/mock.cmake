target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/mock_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_command_interpreter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_configuration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_default_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_record_header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_sd_card.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marker_code.cpp)
