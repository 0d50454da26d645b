# The C interface on a two-device set behind rfbridge. The exported functions are built into
# the test over the internal library, so that the handle can be made for the test's own
# bridge port.
if(TARGET rfbridge)
  zav_add_test(eeg64_c_interface_tests ${CMAKE_CURRENT_LIST_DIR}/eeg64_c_interface_test.cpp
    ${PROJECT_SOURCE_DIR}/src/api/exports/constants.cpp
    ${PROJECT_SOURCE_DIR}/src/api/exports/driver_exports.cpp
    ${PROJECT_SOURCE_DIR}/src/api/exports/signal_exports.cpp
    ${PROJECT_SOURCE_DIR}/src/api/exports/error_exports.cpp)
  add_dependencies(eeg64_c_interface_tests rfbridge)
endif()
