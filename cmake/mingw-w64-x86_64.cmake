# Cross-compiles zav for Windows x86-64 with Debian's mingw-w64 (posix threads) and runs
# the resulting test programs under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# libgcc, libstdc++ and winpthread go inside each binary: zav.dll needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(ZAV_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZAV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZAV_WINE})
endif()
