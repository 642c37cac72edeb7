# Small helpers for the patterns the build repeats.

# What every target of the project gets: C++20, hidden symbols, code that can be loaded, strict
# IEEE arithmetic in the order the code states it (results are compared bit for bit; x86-64
# evaluates float and double in SSE registers, without excess precision), and warnings, errors
# too when ZOR_WERROR is on.
function(zor_configure_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES
    CXX_EXTENSIONS OFF
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    POSITION_INDEPENDENT_CODE ON
    BUILD_RPATH "$ORIGIN")
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-ffp-contract=off -fno-fast-math
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wnull-dereference -Wdouble-promotion -Wformat=2>)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 at -O3 warns of overlapping copies inside libstdc++'s string concatenation that
    # cannot happen (GCC bug 105651).
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
  endif()
  if(ZOR_WERROR)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
  endif()
endfunction()

# The installed file of `target`, placed in `destination`, finds the host platform library from
# there, relative to itself, so that a prefix can be moved.
function(zor_set_install_rpath target destination)
  file(RELATIVE_PATH to_libraries "/${destination}" "/${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_libraries}")
endfunction()

# Objects that become part of the color scale module. They may not throw their own exceptions,
# and nothing of theirs is exported unless marked.
function(zor_add_module_objects target)
  add_library(${target} OBJECT ${ARGN})
  target_link_libraries(${target} PUBLIC ZORHost ZORColorScaleContract)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Unique symbols would pin the module in memory after it is closed.
    target_compile_options(${target} PRIVATE -fno-gnu-unique)
  endif()
  zor_configure_target(${target})
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
  zor_configure_target(${name})
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
