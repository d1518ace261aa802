# quorvane_add_gtest(NAME SOURCES... LIBS...): one GoogleTest executable, each of its tests a ctest entry.
function(quorvane_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main quorvane_compile_options)
    if(CMAKE_CROSSCOMPILING)
        # The tests are listed when ctest runs, through the emulator (Wine), so that building
        # needs none: the 32-bit Windows build is built only.
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES DISCOVERY_MODE PRE_TEST)
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
    endif()
endfunction()
