zav_add_test(record_tests
  ${CMAKE_CURRENT_LIST_DIR}/csv_number_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_writer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eeg64_importer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/electrode_layout_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_catalog_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sd_record_export_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_and_record_test.cpp)
zav_add_test(record_allocation_tests ${CMAKE_CURRENT_LIST_DIR}/allocation_test.cpp)
