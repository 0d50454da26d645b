# Checks that the shared library exports every zav_ function and constant and nothing else.
# Run with -DLIBRARY=<path> -DTOOL=<nm or objdump> -DMODE=<elf|pe>.
set(expected
  zav_driver_new_usb zav_driver_new_serial zav_driver_new_bluetooth zav_driver_new_eeg64
  zav_driver_new_simulated zav_driver_free zav_driver_connect zav_driver_disconnect zav_driver_reconnect
  zav_driver_is_connected zav_driver_is_running zav_driver_start zav_driver_stop zav_driver_synchronize
  zav_driver_read zav_driver_read_blocks zav_driver_read_data_size zav_driver_get_frequency zav_driver_get_eeg_impedance
  zav_driver_get_number_of_signals zav_driver_get_signal zav_signal_get_type zav_signal_get_channels
  zav_signal_get_samples zav_signal_get_mode zav_signal_set_mode zav_driver_get_hw_version
  zav_driver_get_fw_version zav_driver_has_sd_card_capability zav_driver_is_sd_card_enabled
  zav_driver_enable_sd_card zav_driver_get_folder zav_driver_get_file zav_driver_set_folder
  zav_driver_set_file zav_driver_import_sd_record zav_driver_import_eeg64_sd_record
  zav_driver_flags_ok zav_driver_flags_sd_card_removed zav_driver_flags_sd_card_access_error
  zav_driver_flags_sd_card_folder_error zav_driver_flags_sd_card_time_error zav_driver_flags_sd_card_file_error
  zav_driver_flags_sd_card_full_error zav_driver_flags_eeg64_not_synchronized
  zav_driver_flags_bad_anchor_configuration zav_driver_impedance_unknown zav_driver_impedance_good
  zav_driver_impedance_fair zav_driver_impedance_bad zav_driver_impedance_saturated zav_dry_eeg_sensor
  zav_water_eeg_sensor zav_driver_battery_charging zav_driver_battery_unknown
  zav_version zav_last_error zav_set_log_handler zav_import_sd_record_with_progress zav_list_sd_records
  zav_driver_record_start zav_driver_record_stop zav_import_sd_record_bdf zav_import_eeg64_sd_record_bdf
  zav_import_eeg64_sd_record_with_progress zav_list_eeg64_sd_record_pairs
  zav_set_bridge_folder)

if(MODE STREQUAL "pe")
  execute_process(COMMAND ${TOOL} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  # The table runs from its title to the first empty line.
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n[^\n]+(\n[^\n]+)*" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
  set(names)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "\\[ *[0-9]+\\] " "" name "${entry}")
    list(APPEND names ${name})
  endforeach()
else()
  execute_process(COMMAND ${TOOL} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" entries "${dump}")
  set(names)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${entry}")
    string(REGEX REPLACE "@.*" "" name "${name}")
    list(APPEND names ${name})
  endforeach()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not read the symbols of ${LIBRARY}")
endif()

set(problems "")
foreach(name IN LISTS names)
  if(NOT name MATCHES "^zav_")
    string(APPEND problems "exported but not a zav_ name: ${name}\n")
  endif()
endforeach()
foreach(name IN LISTS expected)
  list(FIND names ${name} found)
  if(found EQUAL -1)
    string(APPEND problems "not exported: ${name}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
list(LENGTH names count)
message(STATUS "${count} exported names, all zav_")
