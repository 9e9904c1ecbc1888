# Compile options shared by every target of our own. Third-party code never
# goes through these, so warnings stay errors only where we can fix them.
function(tsuzuri_target_options target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
      -Wnull-dereference -Wimplicit-fallthrough -Werror)
  endif()
endfunction()

# A library of one subsystem: src/<name>/ becomes tsuzuri_<name>, and its
# headers are included as "<name>/file.h" from the src/ root.
function(tsuzuri_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(tsuzuri_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tsuzuri_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tsuzuri_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  tsuzuri_target_options(tsuzuri_${name})
endfunction()

# One GoogleTest program; its tests are registered with CTest one by one.
# TSUZURI_TESTDATA points at the shared files made by other tools (tests
# that read them are skipped where the folder is absent). One variable
# only: the test discovery flattens a list of them.
function(tsuzuri_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} tsuzuri_test_support GTest::gtest_main GTest::gmock)
  tsuzuri_target_options(${name})
  # GoogleTest's comparison templates set off GCC's null-dereference check
  # when optimised; the engine's own code keeps it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-null-dereference)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TSUZURI_TESTDATA=${PROJECT_SOURCE_DIR}/../shared/testdata")
endfunction()
