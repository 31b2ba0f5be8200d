# Cross toolchain for the 64-bit Windows program: MinGW-w64 (POSIX threads), libraries from the
# prefixes scripts/win64/deps.sh built, tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT TONDRIAL_WIN64_PREFIXES)
  if(DEFINED ENV{TONDRIAL_WIN64_CACHE})
    set(_cache $ENV{TONDRIAL_WIN64_CACHE})
  else()
    set(_cache $ENV{HOME}/.cache/tondrial/win64)
  endif()
  if(EXISTS ${_cache}/prefixes.txt)
    file(STRINGS ${_cache}/prefixes.txt TONDRIAL_WIN64_PREFIXES)
  endif()
endif()
# Read at every configure (not cached), so a library rebuilt under a new version is used.

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${TONDRIAL_WIN64_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(_pc "")
foreach(p ${TONDRIAL_WIN64_PREFIXES})
  list(APPEND _pc ${p}/lib/pkgconfig)
  if(EXISTS ${p}/bin/wx-config)
    set(wxWidgets_CONFIG_EXECUTABLE ${p}/bin/wx-config CACHE FILEPATH "")
  endif()
endforeach()
string(REPLACE ";" ":" _pc "${_pc}")
set(ENV{PKG_CONFIG_LIBDIR} "${_pc}")
set(ENV{PKG_CONFIG_PATH} "")
# Static libraries carry their own dependencies in Libs.private.
set(PKG_CONFIG_ARGN --static)

# One self-contained program file: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
find_program(TONDRIAL_WINE NAMES wine wine64 PATHS /usr/lib/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TONDRIAL_WINE})
