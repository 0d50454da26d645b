zav_add_test(api_tests ${CMAKE_CURRENT_LIST_DIR}/property_map_test.cpp)

# Tests of the C interface as a host meets it: the shared library and the public header only.
function(zav_add_host_test name)
  zav_add_test(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE zav)
endfunction()
zav_add_host_test(c_interface_tests ${CMAKE_CURRENT_LIST_DIR}/c_interface_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_import_test.cpp)

add_executable(readme_example ${CMAKE_CURRENT_LIST_DIR}/readme_example.c)
target_link_libraries(readme_example PRIVATE zav)
add_test(NAME readme_example COMMAND readme_example)

# The error channel from C; the last diagnostic line, after the handler is removed, must
# reach standard output again.
add_executable(c_error_channel ${CMAKE_CURRENT_LIST_DIR}/error_channel_test.c)
target_link_libraries(c_error_channel PRIVATE zav)
add_test(NAME c_error_channel COMMAND c_error_channel)
set_tests_properties(c_error_channel PROPERTIES
  PASS_REGULAR_EXPRESSION "/nonexistent/device\\.json[^\n]*\n(.*\n)?error channel: all checks passed")

if(WIN32)
  find_program(ZAV_SYMBOLS NAMES x86_64-w64-mingw32-objdump objdump REQUIRED)
else()
  find_program(ZAV_SYMBOLS NAMES nm REQUIRED)
endif()
add_test(NAME exported_names COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:zav> -DTOOL=${ZAV_SYMBOLS}
  -DHEADER=${PROJECT_SOURCE_DIR}/include/zav/zav.h
  -P ${CMAKE_CURRENT_LIST_DIR}/scripts/check_exports.cmake)

zav_add_test(handle_tests ${CMAKE_CURRENT_LIST_DIR}/driver_connection_test.cpp)
