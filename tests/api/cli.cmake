# The zav command line on the built-in simulated device, as a person would run it.
if(TARGET zav_cli)
  add_test(NAME cli_stream COMMAND zav_cli stream --seconds 2)
  set_tests_properties(cli_stream PROPERTIES TIMEOUT 120
    PASS_REGULAR_EXPRESSION "streaming from the built-in simulated device.*blocks/s")
  add_test(NAME cli_info COMMAND zav_cli info)
  set_tests_properties(cli_info PROPERTIES TIMEOUT 120
    PASS_REGULAR_EXPRESSION "hardware +8\\.7.*firmware +1\\.4.*EEG +32 +8 +1 +256")
  # A contact check grades the two noisy channels of the default device bad and no other.
  add_test(NAME cli_impedance COMMAND zav_cli impedance --seconds 12)
  set_tests_properties(cli_impedance PROPERTIES TIMEOUT 180
    PASS_REGULAR_EXPRESSION "EEG-ch1 +good.*EEG-ch8 +bad.*EEG-ch24 +bad.*2 of 32 channels need attention")
endif()
