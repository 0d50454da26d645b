# run_zav(NAME STATUS REGEX ARGS...): runs ${ZAV} (the program, after its emulator if any) with
# ARGS, checks its exit status and output (standard output and error together) and leaves the
# output in `output`. An argument "<empty>" stands for an empty text, which a CMake list cannot
# carry. Given STATUS, the script runs one such case itself:
#   cmake -DSTATUS=2 -DOUTPUT=<regex> "-DZAV=[emulator];zav;ARGS..." -P run_cli.cmake
function(run_zav name status regex)
  foreach(argument ${ZAV} ${ARGN})
    string(REGEX REPLACE "^<empty>$" "" argument "${argument}")
    string(APPEND call " [==[${argument}]==]")
  endforeach()
  cmake_language(EVAL CODE
    "execute_process(COMMAND ${call} RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE text)")
  message("${text}")
  if(NOT "${result}" STREQUAL "${status}" OR NOT text MATCHES "${regex}")
    message(FATAL_ERROR "${name}: exit status ${result} (expected ${status}); output must match ${regex}")
  endif()
  set(output "${text}" PARENT_SCOPE)
endfunction()

if(DEFINED STATUS)
  run_zav(zav "${STATUS}" "${OUTPUT}")
endif()
