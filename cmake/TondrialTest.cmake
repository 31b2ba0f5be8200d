# tondrial_library(<name> SOURCES ... DEPS ...): one static library per layer.
function(tondrial_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${TONDRIAL_SRC})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()

# tondrial_test(<name> LAYER <layer> KIND <unit|integration> SOURCES ... LIBS ...)
# Every test carries the label of its layer and of its kind.
find_package(GTest REQUIRED)
function(tondrial_test name)
  cmake_parse_arguments(T "" "LAYER;KIND;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LAYER};${T_KIND}" TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "TONDRIAL_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp;ASAN_OPTIONS=detect_leaks=1")
endfunction()
