# The two-device record import: pairing of left and right records, their merge in
# lockstep, and the conversion of each pair into CSV files.
target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/eeg64_importer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eeg64_pairs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eeg64_record_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eeg64_stream.cpp)
