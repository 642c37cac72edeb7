# Checks a module file: its dynamic symbol table defines exactly the names listed in EXPECTED,
# and it has a "qrnom" section holding five pointers (null, three entries, null).
#   cmake -DMODULE=<file> -DEXPECTED=<list> -P CheckModuleExports.cmake
execute_process(COMMAND nm -D --defined-only -C ${MODULE}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX REPLACE "[0-9a-f]+ [A-Za-z] " "" symbols "${symbols}")
string(REPLACE "\n" ";" symbols "${symbols}")
list(FILTER symbols EXCLUDE REGEX "^$")
list(SORT symbols)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT symbols STREQUAL expected)
  message(FATAL_ERROR "exports of ${MODULE} differ\n  found:    ${symbols}\n  expected: ${expected}")
endif()

execute_process(COMMAND readelf -W -S ${MODULE} OUTPUT_VARIABLE sections)
if(NOT sections MATCHES "qrnom +PROGBITS +[0-9a-f]+ [0-9a-f]+ 000028 ")
  message(FATAL_ERROR "${MODULE} has no \"qrnom\" section of five pointers:\n${sections}")
endif()
message(STATUS "exports and registration section of ${MODULE} are as expected")
