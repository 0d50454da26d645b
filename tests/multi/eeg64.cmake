# The two-device set through rfbridge, which the test starts from its own folder; also run
# under ThreadSanitizer for the parallel connect.
if(TARGET rfbridge)
  zav_add_test(eeg64_end_to_end_tests ${CMAKE_CURRENT_LIST_DIR}/eeg64_end_to_end_test.cpp)
  add_dependencies(eeg64_end_to_end_tests rfbridge)
endif()
