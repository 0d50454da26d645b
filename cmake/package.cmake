# Packages made by cpack: a Debian package on Linux, a zip on Windows.
set(CPACK_PACKAGE_NAME zav)
set(CPACK_PACKAGE_VENDOR "The zav developers")
set(CPACK_PACKAGE_CONTACT "The zav developers <zav@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Device access for battery-powered EEG and biosignal amplifiers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# Packages carry the programs and the library without their symbol tables.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # zav.dll, its import library, the header and the programs in one folder tree.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # zav_<version>_<arch>.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # Runs ldconfig on installation and records the library's SONAME for dependants.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  find_program(ZAV_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(ZAV_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
  # The Python package inside needs these; the C library does not.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-numpy")
endif()

include(CPack)
