# The zav command line's answers to wrong input (exit status 2, one line saying what is wrong;
# the newcomer walk has --usb -1) and the failures it explains (exit status 1).
if(TARGET zav_cli)
  zav_cli_case(cli_empty_serial 2 "zav: --serial: needs a port path.*usage: zav info" info --serial <empty>)
  zav_cli_case(cli_empty_bluetooth 2 "zav: --bluetooth: needs a device name" info --bluetooth <empty>)
  zav_cli_case(cli_two_devices 2 "zav: DEVICE: give one device option" info --usb 1 --serial x)
  zav_cli_case(cli_seconds_text 2 "zav: --seconds: takes a number of seconds, not \"abc\""
    stream --seconds abc)
  zav_cli_case(cli_seconds_negative 2 "zav: --seconds: takes 0 seconds or more, not -1" stream --seconds -1)
  zav_cli_case(cli_impedance_too_short 2 "grades need 10 s of data" impedance --seconds 5)
  zav_cli_case(cli_misspelt_command 2 "unknown command \"strem\"; did you mean \"stream\"" strem)
  zav_cli_case(cli_record_csv 2 "csv is not available" record out.csv)
  zav_cli_case(cli_version 0 "^zav [0-9]+\\.[0-9]+\\.[0-9]+" --version)
  zav_cli_case(cli_help_exit_status 0 "Exit status: 0 done.*2 usage error" --help)

  set(_records ${CMAKE_SOURCE_DIR}/tests/data/records)
  if(WIN32)
    set(_port COM99)
  else()
    set(_port /dev/ttyACM99)
    zav_cli_case(cli_not_serial_port 1 "zav: /dev/null is not a serial port" info --serial /dev/null)
    zav_cli_case(cli_import_bdf 0 "converted run into .*import_run.bdf" import --format bdf ${_records} run
      ${CMAKE_CURRENT_BINARY_DIR}/import_run.bdf)
  endif()
  zav_cli_case(cli_usb_port_path 1 "zav: cannot open ${_port}: " info --usb 99)
  zav_cli_case(cli_record_no_folder 1 "zav: output folder no-such-folder does not exist"
    record no-such-folder/x.bdf)
  # A device whose every signal is off has nothing to stream.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/all_signals_off.json "{\"signals\": [{\"type\": \"EEG\", "
    "\"channels\": 8, \"bytes\": 3, \"blockSize\": 1, \"mode\": 0, \"sr\": 250, \"values\": []}]}")
  zav_cli_case(cli_no_signal 1 "has no signal switched on"
    stream --simulated ${CMAKE_CURRENT_BINARY_DIR}/all_signals_off.json --seconds 1)

  # Records named exactly as `zav records` lists them; a search pattern only when asked for,
  # and never one that takes the files of several records (run and run2 here).
  zav_cli_case(cli_records_skips_non_records 0 "run +1 .*run2 +1 " records ${_records})
  zav_cli_case(cli_import_exact_name 0 "converted run: 5 blocks" import ${_records} run
    ${CMAKE_CURRENT_BINARY_DIR}/import_run)
  zav_cli_case(cli_import_unknown_name 1 "no record ru in .* \\(it holds run, run2\\)" import ${_records} ru
    ${CMAKE_CURRENT_BINARY_DIR}/import_ru)
  zav_cli_case(cli_import_ambiguous_match 1 "--match run finds the files of several records \\(run, run2\\)"
    import --match run ${_records} ${CMAKE_CURRENT_BINARY_DIR}/import_match)
  add_test(NAME cli_newcomer_walk COMMAND ${CMAKE_COMMAND} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/newcomer_walk
    "-DZAV=${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:zav_cli>"
    -P ${CMAKE_CURRENT_LIST_DIR}/scripts/newcomer_walk.cmake)
  set_tests_properties(cli_newcomer_walk PROPERTIES TIMEOUT 180)
endif()
