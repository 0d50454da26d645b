# Installation: the public header, the shared library, the programs, a CMake package giving
# zav::zav, a pkg-config file and, outside Windows, the Python package.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# libzav.so.0.1.0 with the SONAME libzav.so.0; the Python package looks for that name.
set_target_properties(zav PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
# Users of the installed copy see the installed header, never the source tree.
set_target_properties(zav PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>")

set(ZAV_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zav)
set(ZAV_PYTHON_INSTALL_DIR lib/python3/dist-packages CACHE STRING
  "Where the zav Python package goes, relative to the prefix (Debian's system path for /usr)")

install(TARGETS zav EXPORT zavTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/zav/zav.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zav)

# The programs find the library of their own installation wherever the prefix is.
foreach(program zav_cli rfbridge)
  if(TARGET ${program})
    if(NOT WIN32)
      file(RELATIVE_PATH _to_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
      set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${_to_lib}")
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(EXPORT zavTargets NAMESPACE zav:: DESTINATION ${ZAV_CMAKE_INSTALL_DIR})
file(WRITE ${PROJECT_BINARY_DIR}/zavConfig.cmake
  "include(\"\${CMAKE_CURRENT_LIST_DIR}/zavTargets.cmake\")\n")
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zavConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zavConfig.cmake ${PROJECT_BINARY_DIR}/zavConfigVersion.cmake
  DESTINATION ${ZAV_CMAKE_INSTALL_DIR})

# The prefix is taken relative to the .pc file, so that an installation can be moved.
file(RELATIVE_PATH _pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" _pc_to_prefix "${_pc_to_prefix}")
file(WRITE ${PROJECT_BINARY_DIR}/zav.pc
  "prefix=\${pcfiledir}/${_pc_to_prefix}\n"
  "libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}\n"
  "includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}\n\n"
  "Name: zav\n"
  "Description: Device access for battery-powered EEG and biosignal amplifiers\n"
  "Version: ${PROJECT_VERSION}\n"
  "Cflags: -I\${includedir}\n"
  "Libs: -L\${libdir} -lzav\n")
install(FILES ${PROJECT_BINARY_DIR}/zav.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(NOT WIN32)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/zav DESTINATION ${ZAV_PYTHON_INSTALL_DIR}
    PATTERN __pycache__ EXCLUDE PATTERN *.pyc EXCLUDE)
endif()
