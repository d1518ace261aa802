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

# quorvane_check_no_toolkit(TARGET...): the build fails when a source of one of the targets, or a
# header beside it, includes a Qt, GTK or file manager header; the check runs again whenever one
# of them changes. A ctest entry shows that the check catches such an include.
function(quorvane_check_no_toolkit)
    set(files "")
    foreach(target IN LISTS ARGN)
        get_target_property(folder ${target} SOURCE_DIR)
        get_target_property(sources ${target} SOURCES)
        foreach(source IN LISTS sources)
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder})
            list(APPEND files ${source})
            string(REGEX REPLACE "\\.cpp$" ".h" header "${source}")
            if(EXISTS ${header})
                list(APPEND files ${header})
            endif()
        endforeach()
        if(NOT folder STREQUAL CMAKE_SOURCE_DIR)
            file(GLOB headers ${folder}/*.h)
            list(APPEND files ${headers})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES files)
    list(JOIN files "\n" listed)
    set(list ${CMAKE_BINARY_DIR}/core-sources.txt)
    file(WRITE ${list} "${listed}\n")
    set(stamp ${CMAKE_BINARY_DIR}/core-has-no-toolkit.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DLIST=${list} -DSTAMP=${stamp}
                -P ${CMAKE_SOURCE_DIR}/cmake/CheckNoToolkit.cmake
        DEPENDS ${files} ${CMAKE_SOURCE_DIR}/cmake/CheckNoToolkit.cmake
        COMMENT "Checking that the core includes no toolkit header")
    add_custom_target(quorvane_core_has_no_toolkit ALL DEPENDS ${stamp})
    foreach(target IN LISTS ARGN)
        add_dependencies(${target} quorvane_core_has_no_toolkit)
    endforeach()
endfunction()
