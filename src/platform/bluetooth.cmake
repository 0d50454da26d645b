# Sockets, Bluetooth discovery and process start for the Bluetooth transport.
if(WIN32)
  target_sources(zav_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/socket.cpp
    ${CMAKE_CURRENT_LIST_DIR}/socket_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/discovery_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/spawn_win32.cpp)
else()
  target_sources(zav_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/socket.cpp
    ${CMAKE_CURRENT_LIST_DIR}/socket_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/discovery_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/spawn_posix.cpp)
endif()
