# A newcomer's first hour through zav alone: the device, a stream with the simulated SD card
# on, the card's records, an import by the name zav records prints, a contact check, and a
# wrong option. Every step must end with its documented exit status and say what it did.
#   cmake -DWORK=<empty folder> -P newcomer_walk.cmake -- [emulator] zav
cmake_minimum_required(VERSION 3.18)
set(zav)
set(collect OFF)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(collect)
    list(APPEND zav "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(collect ON)
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/card")
file(WRITE "${WORK}/sim.json" "{\"preset\": \"default\", \"card\": \"${WORK}/card\"}")

# step(NAME STATUS REGEX ARGS...): runs zav ARGS, checks its exit status and output.
function(step name status regex)
  execute_process(COMMAND ${zav} ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err
    WORKING_DIRECTORY "${WORK}")
  set(text "${out}${err}")
  if(NOT "${result}" STREQUAL "${status}" OR NOT text MATCHES "${regex}")
    message(FATAL_ERROR "${name}: exit ${result} (expected ${status}), output:\n${text}")
  endif()
  set(output "${text}" PARENT_SCOPE)
endfunction()

step(info 0 "hardware +8\\.7.*SD card" info)
step(stream 0 "streaming from the simulated device"
  stream --simulated "${WORK}/sim.json" --sd-card --seconds 5)
string(REGEX MATCHALL "[0-9]+ blocks +[0-9.]+ blocks/s" counts "${output}")
list(GET counts -1 streamed)
string(REGEX REPLACE " .*" " blocks" streamed "${streamed}")
step(records 0 "mock_filename +1 +0:0[4-6]" records "${WORK}/card/mock/directory")
step(import 0 "converted mock_filename: ${streamed}" import "${WORK}/card/mock/directory" mock_filename
  "${WORK}/out")
step(impedance 3 "EEG-ch8 +bad.*EEG-ch24 +bad" impedance --seconds 11)
step(wrong_option 2 "zav: --usb: takes a port number 0 or above, not \"-1\"" info --usb -1)
message(STATUS "walk done: ${streamed} streamed and imported")
