# Run after a Qt Test program is built: lists its test functions (`-functions`) and writes a
# ctest file with one entry per function, named PREFIX.function, that runs that function alone.
#   cmake -D TEST_EXECUTABLE=... -D TEST_PREFIX=... -D CTEST_FILE=... -D TEST_TIMEOUT=...
#         -P DiscoverQtTests.cmake
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            ${TEST_EXECUTABLE} -functions
    OUTPUT_VARIABLE listed
    ERROR_VARIABLE errors
    RESULT_VARIABLE result
    TIMEOUT 60)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} -functions failed (${result}):\n${listed}${errors}")
endif()
string(REPLACE "\n" ";" lines "${listed}")
set(tests "")
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
        set(test "${TEST_PREFIX}.${CMAKE_MATCH_1}")
        string(APPEND tests
            "add_test([==[${test}]==] [==[${TEST_EXECUTABLE}]==] [==[${CMAKE_MATCH_1}]==])\n"
            "set_tests_properties([==[${test}]==] PROPERTIES\n"
            "    ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT ${TEST_TIMEOUT})\n")
    endif()
endforeach()
if(tests STREQUAL "")
    message(FATAL_ERROR "${TEST_EXECUTABLE} lists no test functions:\n${listed}${errors}")
endif()
file(WRITE "${CTEST_FILE}" "${tests}")
