# BDF+ files through EDFlib (Debian's libedf-dev). Debian ships EDFlib for the build
# machine only, so the Windows build leaves it out and its writer reports that.
if(WIN32)
  set(_zav_bdf_default OFF)
else()
  set(_zav_bdf_default ON)
endif()
option(ZAV_BDF "Write BDF+ files through EDFlib (libedf-dev)" ${_zav_bdf_default})

target_sources(zav_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bdf_channels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bdf_record_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marker_scanner.cpp)
if(ZAV_BDF)
  find_path(ZAV_EDFLIB_INCLUDE_DIR edflib.h)
  # The static archive (position-independent on Debian) keeps EDFlib inside the library.
  find_library(ZAV_EDFLIB_LIBRARY NAMES libedf.a edf)
  if(NOT ZAV_EDFLIB_INCLUDE_DIR OR NOT ZAV_EDFLIB_LIBRARY)
    message(FATAL_ERROR "EDFlib not found: install libedf-dev, or configure with -DZAV_BDF=OFF")
  endif()
  target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/bdf_writer.cpp)
  target_include_directories(zav_core SYSTEM PRIVATE ${ZAV_EDFLIB_INCLUDE_DIR})
  target_link_libraries(zav_core PRIVATE ${ZAV_EDFLIB_LIBRARY})
else()
  target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/bdf_writer_unavailable.cpp)
endif()
