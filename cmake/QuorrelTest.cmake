# quorrel_add_test(NAME name SOURCES ... LIBS ... [THREADED] [TIMEOUT seconds])
# One GoogleTest binary; each case becomes a ctest test. THREADED marks the
# binaries that also run under ThreadSanitizer.
#
# A case that hangs fails after its time-out rather than holding up the run.
# The slowest cases (whole upgrades at the wire's real pace) take about 17 s,
# under either sanitizer too, since the wire's time is not the processor's;
# TIMEOUT gives a binary whose cases need longer a time of its own.
set(QUORREL_TEST_TIMEOUT 60)
find_package(GTest REQUIRED)
include(GoogleTest)
set(QUORREL_TEST_LOCK_DIR ${CMAKE_BINARY_DIR}/test-locks)
file(MAKE_DIRECTORY ${QUORREL_TEST_LOCK_DIR})
if(NOT TARGET quorrel_test_state_folder)
  add_library(quorrel_test_state_folder OBJECT ${PROJECT_SOURCE_DIR}/tests/support/state_folder_per_test.cpp)
  target_include_directories(quorrel_test_state_folder PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(quorrel_test_state_folder PRIVATE GTest::gtest)
  quorrel_warnings(quorrel_test_state_folder)
endif()
function(quorrel_add_test)
  cmake_parse_arguments(T "THREADED" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT ${QUORREL_TEST_TIMEOUT})
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  # Every test keeps the program's journal out of the real home folder.
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quorrel_test_state_folder GTest::gtest GTest::gmock GTest::gtest_main
    Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE QUORREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  quorrel_warnings(${T_NAME})
  set(labels "unit")
  if(T_THREADED)
    set(labels "unit;threaded")
  endif()
  # Ports are locked in a folder of the build's own, never the system's.
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "QUORREL_LOCK_DIR=${QUORREL_TEST_LOCK_DIR}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  # The discovery's PROPERTIES cannot carry a list, so the labels are set by a
  # file that ctest reads after the discovered tests.
  set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake)
  file(WRITE ${label_file}
    "if(${T_NAME}_TESTS)\n  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES LABELS \"${labels}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()
