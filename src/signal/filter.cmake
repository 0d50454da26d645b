target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/filter_designer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channel_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/evaluation_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/band_power_stage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/amplitude_stage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/impedance_grade.cpp
  ${CMAKE_CURRENT_LIST_DIR}/impedance_estimator.cpp)
