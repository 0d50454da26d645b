# The zav commands that reach beyond the built-in device: the bridge's simulated devices and
# live recording. The bridge tests share the bridge's own port, 54000, one at a time, served
# by a bridge the shell starts first and stops last (POSIX only): were it gone before a test
# ran, zav would start one of its own that stays, as a user's does, and later tests (the
# Windows ones under wine among them) would meet it on that port.
set(_bdf ${CMAKE_CURRENT_BINARY_DIR}/cli_record.bdf)
if(TARGET zav_cli AND WIN32)
  # Windows builds have no BDF writer: the command says so and fails.
  zav_cli_case(cli_record 1 "cannot record into " record ${_bdf} --seconds 3)
elseif(TARGET zav_cli AND TARGET rfbridge)
  set(_pid ${CMAKE_CURRENT_BINARY_DIR}/bridge54000.pid)
  add_test(NAME cli_bridge_start COMMAND sh -c
    "\"$<TARGET_FILE:rfbridge>\" --idle-exit 600 --quiet </dev/null >/dev/null 2>&1 & echo $! >${_pid}; sleep 1")
  add_test(NAME cli_bridge_stop COMMAND sh -c "kill $(cat ${_pid}) 2>/dev/null; rm -f ${_pid}")
  set_tests_properties(cli_bridge_start PROPERTIES FIXTURES_SETUP bridge54000 RESOURCE_LOCK bridge54000)
  set_tests_properties(cli_bridge_stop PROPERTIES FIXTURES_CLEANUP bridge54000 RESOURCE_LOCK bridge54000)
  zav_cli_case(cli_bluetooth_side 0 "EEG +32 +8 +1 +256" info --bluetooth sim:right)
  zav_cli_case(cli_stream_eeg64 0 "streaming from the 64-channel set sim:left \\+ sim:right.* aligned \\("
    stream --eeg64 --seconds 8)
  set_tests_properties(cli_bluetooth_side cli_stream_eeg64 PROPERTIES
    FIXTURES_REQUIRED bridge54000 RESOURCE_LOCK bridge54000)

  zav_cli_case(cli_record 0 "holds [1-9][0-9]* blocks" record ${_bdf} --seconds 3)
  foreach(_stop interrupted disk_full)
    add_test(NAME cli_record_${_stop} COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/scripts/record_stopped.sh
      ${_stop} $<TARGET_FILE:zav_cli> ${CMAKE_CURRENT_BINARY_DIR}/cli_record_${_stop}.bdf)
    set_tests_properties(cli_record_${_stop} PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
  endforeach()
endif()
