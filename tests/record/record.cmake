set(_record_tests csv_number csv_writer eeg64_importer electrode_layout importer live_and_record record_catalog
  sd_record_export)
list(TRANSFORM _record_tests PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM _record_tests APPEND _test.cpp)
zav_add_test(record_tests ${_record_tests})
zav_add_test(record_allocation_tests ${CMAKE_CURRENT_LIST_DIR}/allocation_test.cpp)
# The record conversion as a host meets it, through the shared library and the public header:
# the two-device conversion, and the simulated device's SD card against the blocks read live.
add_executable(record_c_tests ${CMAKE_CURRENT_LIST_DIR}/eeg64_c_interface_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/simulated_card_test.cpp)
target_link_libraries(record_c_tests PRIVATE zav zav_test_support nlohmann_json::nlohmann_json ${ZAV_GTEST_MAIN})
zav_set_warnings(record_c_tests)
add_test(NAME record_c_tests COMMAND record_c_tests)
set_tests_properties(record_c_tests PROPERTIES TIMEOUT 600)
