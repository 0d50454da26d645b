target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/identity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sd_card_names.cpp)
