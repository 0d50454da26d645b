# The simulated device's SD card through the C interface: live blocks against the import.
add_executable(record_simulated_card_tests ${CMAKE_CURRENT_LIST_DIR}/simulated_card_test.cpp)
target_link_libraries(record_simulated_card_tests PRIVATE zav zav_test_support nlohmann_json::nlohmann_json
  ${ZAV_GTEST_MAIN})
zav_set_warnings(record_simulated_card_tests)
add_test(NAME record_simulated_card_tests COMMAND record_simulated_card_tests)
set_tests_properties(record_simulated_card_tests PROPERTIES TIMEOUT 600)
