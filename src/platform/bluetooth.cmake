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

  # Discovery asks BlueZ over D-Bus through libsystemd's sd-bus (Debian: libsystemd-dev).
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(ZAV_SYSTEMD QUIET IMPORTED_TARGET GLOBAL libsystemd)
  endif()
  if(TARGET PkgConfig::ZAV_SYSTEMD)
    target_link_libraries(zav_core PRIVATE PkgConfig::ZAV_SYSTEMD)
  else()
    find_path(ZAV_SD_BUS_INCLUDE systemd/sd-bus.h)
    find_library(ZAV_SYSTEMD_LIBRARY systemd)
    if(NOT ZAV_SD_BUS_INCLUDE OR NOT ZAV_SYSTEMD_LIBRARY)
      message(FATAL_ERROR "libsystemd (sd-bus) not found: install libsystemd-dev (scripts/install-deps.sh)")
    endif()
    target_include_directories(zav_core SYSTEM PRIVATE ${ZAV_SD_BUS_INCLUDE})
    target_link_libraries(zav_core PRIVATE ${ZAV_SYSTEMD_LIBRARY})
  endif()
endif()
