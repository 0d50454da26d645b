target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/filter_designer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channel_filter.cpp)
