# Small helpers for the patterns the build repeats.

# Warnings for every target of the project; errors too when ZOR_WERROR is on.
function(zor_set_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wnull-dereference -Wdouble-promotion -Wformat=2)
  if(ZOR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Objects that become part of the color scale module. They may not throw their own exceptions,
# and nothing of theirs is exported unless marked.
function(zor_add_module_objects target)
  add_library(${target} OBJECT ${ARGN})
  target_link_libraries(${target} PUBLIC ZORHost)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Unique symbols would pin the module in memory after it is closed.
    target_compile_options(${target} PRIVATE -fno-gnu-unique)
  endif()
  zor_set_warnings(${target})
endfunction()

# A test executable: GoogleTest, the host platform, and the path of the module it loads. Its tests
# carry the labels given after LABELS.
function(zor_add_test_executable name)
  cmake_parse_arguments(PARSE_ARGV 1 test "" "" "LABELS")
  add_executable(${name} ${test_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ZORHost GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    ZOR_MODULE_PATH="$<TARGET_FILE:ZORCarColorScale>"
    ZOR_FIXTURE_DIR="$<TARGET_FILE_DIR:ZORHost>")
  add_dependencies(${name} ZORCarColorScale)
  zor_set_warnings(${name})
  if(test_LABELS)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS "${test_LABELS}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120)
  endif()
endfunction()

# A golden script test: tests/scripts/<topic>.zs run by zorhost and compared byte for byte.
function(zor_add_golden_script topic)
  add_test(NAME script.${topic}
    COMMAND ${CMAKE_COMMAND} -DZORHOST=$<TARGET_FILE:zorhost>
            -DSCRIPT=${CMAKE_CURRENT_SOURCE_DIR}/${topic}.zs
            -DWORKDIR=${CMAKE_CURRENT_BINARY_DIR}/${topic}
            -P ${PROJECT_SOURCE_DIR}/cmake/RunGoldenScript.cmake)
endfunction()
