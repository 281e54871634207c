# Helpers for declaring tests. Qt-free tests use GoogleTest; tests of widgets,
# sockets and timers use Qt Test and run on the offscreen platform.
include(GoogleTest)

function(dw_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES LABELS "core" ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endfunction()

function(dw_add_qttest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "qt" TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DRIFTWAKE_LAN_SCOPE=loopback;ASAN_OPTIONS=detect_leaks=0;DRIFTWAKE_BIN=$<TARGET_FILE:driftwake>")
endfunction()
