# tondrial_library(<name> SOURCES ... DEPS ... [HEADERS ...]): one static library per layer.
# Its include folder holds only a link to its own source folder, so it and its users see its
# headers and, through DEPS, those of the layers below, never one above. HEADERS names them
# one by one where two libraries share a folder.
function(tondrial_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;HEADERS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  set(include_dir ${CMAKE_BINARY_DIR}/include/${name})
  file(RELATIVE_PATH folder ${TONDRIAL_SRC} ${CMAKE_CURRENT_SOURCE_DIR})
  file(REMOVE_RECURSE ${include_dir})
  if(L_HEADERS)
    file(MAKE_DIRECTORY ${include_dir}/${folder})
    foreach(header ${L_HEADERS})
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${include_dir}/${folder}/${header} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${include_dir}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_dir}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${name} PUBLIC ${include_dir})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()

# tondrial_test(<name> LAYER <layer> KIND <unit|integration> [OPTIMISED] SOURCES ... LIBS ...)
# Every test carries the label of its layer and of its kind.
if(NOT WIN32)
  find_package(GTest REQUIRED)
endif()
function(tondrial_test name)
  cmake_parse_arguments(T "OPTIMISED" "LAYER;KIND;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  set(disabled FALSE)
  if(WIN32)
    foreach(s ${TONDRIAL_POSIX_TEST_SOURCES})
      list(FILTER T_SOURCES EXCLUDE REGEX "(^|/)${s}$")
    endforeach()
    if(NOT T_SOURCES)
      set(T_SOURCES ${CMAKE_BINARY_DIR}/posix_only_test.cpp)
      set(disabled TRUE)
    endif()
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  if(TONDRIAL_SANITIZE AND NOT T_OPTIMISED)
    # The time goes into compiling the sanitizers' checks of every assertion, not into running
    # the test code: the libraries under test keep -O1, the test code is not optimised (except
    # OPTIMISED tests, whose own code walks through signals sample by sample).
    target_compile_options(${name} PRIVATE -O0)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  # Made here, not by the tests: under Wine a test hands its shell commands to the host through
  # a script file in this folder, so it must exist before the first command (a fresh tree).
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testtmp)
  set(env TONDRIAL_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp ASAN_OPTIONS=detect_leaks=1 ${TONDRIAL_TEST_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES LABELS "${T_LAYER};${T_KIND}" TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env}" DISABLED ${disabled})
endfunction()
