# BDF files written through the C interface, read back by MNE-Python (Debian's
# python3-mne) and compared with the CSV export of the same blocks.
if(ZAV_BDF)
  zav_add_test(live_recorder_tests ${CMAKE_CURRENT_LIST_DIR}/live_recorder_test.cpp)
  target_include_directories(live_recorder_tests SYSTEM PRIVATE ${ZAV_EDFLIB_INCLUDE_DIR})
endif()

if(NOT CMAKE_CROSSCOMPILING AND ZAV_BDF)
  add_executable(bdf_round_trip ${CMAKE_CURRENT_LIST_DIR}/bdf_round_trip.cpp)
  target_link_libraries(bdf_round_trip PRIVATE zav zav_test_support)
  zav_set_warnings(bdf_round_trip)
  set(_bdf_dir ${CMAKE_CURRENT_BINARY_DIR}/bdf_round_trip)
  add_test(NAME bdf_files COMMAND bdf_round_trip ${_bdf_dir})
  set_tests_properties(bdf_files PROPERTIES FIXTURES_SETUP bdf_files TIMEOUT 120)

  find_program(ZAV_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(ZAV_DEBIAN_PYTHON)
    set(_check ${ZAV_DEBIAN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/scripts/check_bdf.py)
    add_test(NAME bdf_live_mne COMMAND ${_check} ${_bdf_dir}/live.bdf ${_bdf_dir}/live_csv
      --seconds 3 --annotation 2.5 0.5 "no data")
    add_test(NAME bdf_freed_mne COMMAND ${_check} ${_bdf_dir}/freed.bdf ${_bdf_dir}/freed_csv
      --seconds 2 --annotation 1.25 0.75 "no data")
    add_test(NAME bdf_record_mne COMMAND ${_check} ${_bdf_dir}/sd.bdf ${_bdf_dir}/sd_csv --seconds 4
      --eeg-labels ZAV-QLX-RMP001,ZAV-QLX-RMP002,ZAV-QLX-RMP003,ZAV-QLX-RMP004
      --annotation 0.625 0 "marker 90"
      --annotation 1.25 0.15625 "lost 5 blocks"
      --annotation 1.875 0.3125 "not aligned"
      --annotation 3.125 0.875 "no data")
    set_tests_properties(bdf_live_mne bdf_freed_mne bdf_record_mne PROPERTIES
      FIXTURES_REQUIRED bdf_files SKIP_RETURN_CODE 77 TIMEOUT 300)
  endif()
endif()
