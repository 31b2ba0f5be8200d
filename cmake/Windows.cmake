# The 64-bit Windows build (cross-built with cmake/MinGW64.cmake): the libraries and the tests
# that need no POSIX process or socket calls, run under Wine.
if(TONDRIAL_SANITIZE)
  message(FATAL_ERROR "The sanitizers are not available for the Windows build")
endif()
# Windows headers: no min/max macros, UTF-16 "W" calls, Windows 7 and later.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE _WIN32_WINNT=0x0601)

# googletest from the source the build machine's libgtest-dev installs, built for the target.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main)
  # Its own warnings are not ours to fix.
  target_compile_options(${t} PRIVATE -w)
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
endforeach()
set(GTest_FOUND TRUE)

# Test sources that start processes, send signals or open sockets the POSIX way. A test made
# only of these is registered but disabled, so the CMake lines that refer to it still hold.
set(TONDRIAL_POSIX_TEST_SOURCES
  StartupTest.cpp SingleInstanceTest.cpp CrashSafetyTest.cpp SpeechDaemonTest.cpp SpeechDispatcherTest.cpp
  SsipServer.cpp UpdateCheckTest.cpp StreamTitleTest.cpp NetworkTest.cpp BrailleTest.cpp)
file(WRITE ${CMAKE_BINARY_DIR}/posix_only_test.cpp "int main() { return 77; }\n")

set(TONDRIAL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TONDRIAL_TEST_ENVIRONMENT WINEPREFIX=${TONDRIAL_WINE_PREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
