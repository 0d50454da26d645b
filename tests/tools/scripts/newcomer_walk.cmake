# A newcomer's first hour through zav alone: the device, a stream with the simulated SD card
# on, the card's records, an import by the name zav records prints, a contact check, and a
# wrong option. Every step must end with its documented exit status and say what it did.
#   cmake -DWORK=<empty folder> "-DZAV=[emulator];zav" -P newcomer_walk.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_cli.cmake)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/card")
file(WRITE "${WORK}/sim.json" "{\"preset\": \"default\", \"card\": \"${WORK}/card\"}")

run_zav(info 0 "hardware +8\\.7.*SD card" info)
run_zav(stream 0 "streaming from the simulated device"
  stream --simulated "${WORK}/sim.json" --sd-card --seconds 5)
# The block count of the last progress line.
string(REGEX REPLACE ".*[^0-9]([0-9]+ blocks) +[0-9.]+ blocks/s.*" "\\1" streamed "${output}")
run_zav(records 0 "mock_filename +1 +0:0[4-6]" records "${WORK}/card/mock/directory")
run_zav(import 0 "converted mock_filename: ${streamed}" import "${WORK}/card/mock/directory" mock_filename
  "${WORK}/out")
run_zav(impedance 3 "EEG-ch8 +bad.*EEG-ch24 +bad" impedance --seconds 11)
run_zav(wrong_option 2 "zav: --usb: takes a port number 0 or above, not \"-1\"" info --usb -1)
