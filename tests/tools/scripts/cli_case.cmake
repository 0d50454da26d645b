# zav_cli_case(NAME STATUS REGEX ARGS...): a test that runs zav with ARGS ("<empty>" for an
# empty text) and expects exit status STATUS and output matching REGEX.
include_guard(GLOBAL)
function(zav_cli_case name status regex)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -DSTATUS=${status} "-DOUTPUT=${regex}"
    -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/run_cli.cmake --
    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zav_cli> ${ARGN})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()
