# SPDX-License-Identifier: MIT
# Run once a QtTest executable is built, and again when its sources change: asks it for its
# test functions and writes one ctest test per function, named EXECUTABLE.FUNCTION, so that
# one check can be run alone (ctest -R '^test_send\.send$') and the functions of a slow area
# run side by side.
#
#   cmake -D EXECUTABLE=... -D NAME=... -D OUTPUT=... -D ENVIRONMENT=... -D TIMEOUT=...
#         -P QtTestFunctions.cmake
# ENVIRONMENT is a list of VAR=value, with "|" in place of ";" between them; each test gets
# its own XDG_CONFIG_HOME below CONFIG, so that what one function remembers never reaches one
# running beside it.
string(REPLACE "|" ";" environment "${ENVIRONMENT}")
# Asked under the tests' own environment: the sanitizer build checks leaks at this exit too.
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${EXECUTABLE} -functions
                OUTPUT_VARIABLE listed RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${EXECUTABLE} -functions failed (${status}): ${errors}")
endif()
string(REPLACE "\n" ";" lines "${listed}")
set(script "")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
        continue()
    endif()
    set(function ${CMAKE_MATCH_1})
    set(test "${NAME}.${function}")
    set(test_environment ${environment} "XDG_CONFIG_HOME=${CONFIG}/${test}")
    string(APPEND script
        "add_test([=[${test}]=] [=[${EXECUTABLE}]=] [=[${function}]=])\n"
        "set_tests_properties([=[${test}]=] PROPERTIES TIMEOUT ${TIMEOUT} LABELS [=[${NAME}]=]"
        " ENVIRONMENT \"${test_environment}\")\n")
endforeach()
if(script STREQUAL "")
    message(FATAL_ERROR "${EXECUTABLE} listed no test functions")
endif()
file(WRITE "${OUTPUT}" "${script}")
