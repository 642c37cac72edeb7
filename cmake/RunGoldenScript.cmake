# Runs one golden script through `zorhost script` in a fresh settings folder and compares what it
# prints, byte for byte, with what was reviewed by hand:
#   <topic>.expected  standard output
#   <topic>.stderr    standard error (when the script ends on a bad line)
#   <topic>.status    exit status (0 when absent)
# cmake -DZORHOST=<zorhost> -DSCRIPT=<topic>.zs -DWORKDIR=<dir> -P RunGoldenScript.cmake
# The script runs under its own name in the work folder, so that messages name it as a user sees it.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
file(COPY ${SCRIPT} DESTINATION ${WORKDIR})
get_filename_component(name ${SCRIPT} NAME)
set(ENV{ZOR_SETTINGS_DIR} ${WORKDIR}/settings)
execute_process(COMMAND ${ZORHOST} script ${name}
                WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
string(REGEX REPLACE "\\.zs$" "" topic ${SCRIPT})

function(compare what actual file)
  if(EXISTS ${file})
    file(READ ${file} expected)
  else()
    set(expected "")
  endif()
  if(NOT actual STREQUAL expected)
    file(WRITE ${WORKDIR}/actual.${what} "${actual}")
    message(FATAL_ERROR "${SCRIPT}: ${what} differs from ${file}\n"
                        "actual (kept in ${WORKDIR}/actual.${what}):\n${actual}")
  endif()
endfunction()

compare(output "${output}" ${topic}.expected)
compare(stderr "${errors}" ${topic}.stderr)
set(expected_status 0)
if(EXISTS ${topic}.status)
  file(STRINGS ${topic}.status expected_status)
endif()
if(NOT status EQUAL expected_status)
  message(FATAL_ERROR "${SCRIPT}: exit status ${status}, expected ${expected_status}")
endif()
