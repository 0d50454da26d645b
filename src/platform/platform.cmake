# One backend per operating system behind the headers of this folder.
target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/io_result.h)
if(WIN32)
  target_sources(zav_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/io_status_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/clock_win32.cpp)
else()
  target_sources(zav_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/io_status_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/clock_posix.cpp)
endif()
