# quorrel_add_test(NAME name SOURCES ... LIBS ... [THREADED] [TIMEOUT seconds]
#                  [LINUX_ONLY_CASES case...])
# One GoogleTest binary; each case becomes a ctest test. THREADED marks the
# binaries that also run under ThreadSanitizer. LINUX_ONLY_CASES names cases
# ("Suite.Case", or "Suite.*") that say something of Linux alone: the
# Windows build does not register them.
#
# A case that hangs fails after its time-out rather than holding up the run.
# The slowest cases (whole upgrades at the wire's real pace) take about 17 s,
# under either sanitizer too, since the wire's time is not the processor's;
# TIMEOUT gives a binary whose cases need longer a time of its own.
set(QUORREL_TEST_TIMEOUT 60)
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # No Windows GoogleTest is installed on Linux: build it from its sources
  # (which name their targets GTest::gtest and so on themselves).
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUORREL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
set(QUORREL_TEST_LOCK_DIR ${CMAKE_BINARY_DIR}/test-locks)
file(MAKE_DIRECTORY ${QUORREL_TEST_LOCK_DIR})
if(NOT TARGET quorrel_test_state_folder)
  add_library(quorrel_test_state_folder OBJECT ${PROJECT_SOURCE_DIR}/tests/support/state_folder_per_test.cpp)
  target_include_directories(quorrel_test_state_folder PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(quorrel_test_state_folder PRIVATE GTest::gtest quorrel_test_os)
  quorrel_warnings(quorrel_test_state_folder)
endif()
function(quorrel_add_test)
  cmake_parse_arguments(T "THREADED" "NAME;TIMEOUT" "SOURCES;LIBS;LINUX_ONLY_CASES" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT ${QUORREL_TEST_TIMEOUT})
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  # Every test keeps the program's journal out of the real home folder.
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quorrel_test_state_folder quorrel_test_os
                                          GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE QUORREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  quorrel_warnings(${T_NAME})
  set(labels "unit")
  if(T_THREADED)
    set(labels "unit;threaded")
  endif()
  # A cross-built test is asked for its cases through the emulator when
  # ctest runs, so building needs no emulator.
  if(CMAKE_CROSSCOMPILING)
    set(discovery_mode PRE_TEST)
  else()
    set(discovery_mode POST_BUILD)
  endif()
  set(filter)
  if(WIN32 AND T_LINUX_ONLY_CASES)
    list(JOIN T_LINUX_ONLY_CASES ":" excluded)
    set(filter TEST_FILTER "-${excluded}")
  endif()
  # Ports are locked in a folder of the build's own, never the system's.
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE ${discovery_mode}
    ${filter}
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
