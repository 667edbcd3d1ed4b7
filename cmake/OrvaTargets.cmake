# Helpers that keep every folder's build description to one line: a folder's
# sources are found by globbing, so adding a class never means editing CMake.

function(orva_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# One static library per src/ folder, named orva_<folder>.
function(orva_add_library folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  set(target orva_${folder})
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} Threads::Threads)
    orva_warnings(${target})
  else()
    # A folder whose first class has not been written yet.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_DEPENDS} Threads::Threads)
  endif()
endfunction()

# One test executable per tests/ folder, its cases labelled with the folder name.
function(orva_add_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} orva_testsupport GTest::gmock GTest::gtest_main)
  orva_warnings(${target})
  # GoogleTest's headers are most of what a test file compiles; parse them once per binary.
  target_precompile_headers(${target} PRIVATE <gmock/gmock.h> <gtest/gtest.h>)
  # With the header precompiled, GCC 12 inlines std::string concatenations of the test
  # tables deeper and reports its known false -Warray-bounds and -Wstringop-overflow on them (GCC bug 105651).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow)
  endif()
  # A test that reaches the process-wide settings or data folder never touches the user's.
  # The source folder reaches the tests at run time (see tests/support/TestPaths.h).
  set(home ${CMAKE_CURRENT_BINARY_DIR}/test-home)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${folder}
      ENVIRONMENT "ORVA_CONFIG_DIR=${home}/config;ORVA_DATA_DIR=${home}/data;ORVA_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
