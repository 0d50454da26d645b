target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/base_importer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_scanner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_number.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/electrode_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_cursor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_catalog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reorder_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sd_record_export.cpp)
