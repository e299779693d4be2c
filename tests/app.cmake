# Application shell: language choice, application object, debug log, single instance.
add_unit_test(NAME tst_languageName LIBS tkt_app)
add_unit_test(NAME tst_globalApplication LIBS tkt_app)
# A stalled disk for the log: a named pipe where the system has one.
if(WIN32)
    set(tkt_stalled_pipe "${CMAKE_CURRENT_SOURCE_DIR}/support/stalledPipe_win.cpp")
else()
    set(tkt_stalled_pipe "${CMAKE_CURRENT_SOURCE_DIR}/support/stalledPipe_posix.cpp")
endif()
add_unit_test(NAME tst_debugLog LIBS tkt_app
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_debugLog.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/stalledPipe.h"
    ${tkt_stalled_pipe})
add_unit_test(NAME tst_closeDeadline LIBS tkt_app)

# Runs the guard in child processes (the test binary itself) and, once it is
# built, the real program.
add_unit_test(NAME tst_singleInstance LIBS tkt_app)
if(TARGET TavrinKeyboardTest)
    target_compile_definitions(tst_singleInstance PRIVATE TKT_PROGRAM_PATH="$<TARGET_FILE:TavrinKeyboardTest>")
    add_dependencies(tst_singleInstance TavrinKeyboardTest)
    # The program's window takes its one-per-system guard: tests that start
    # it take turns.
    set_tests_properties(tst_singleInstance PROPERTIES RESOURCE_LOCK programGuard)
endif()

# Ends the real program with signals while a simulated keyboard is connected,
# and reads its store (Linux, where the simulator preloads over hidapi).
if(TARGET TavrinKeyboardTest AND TARGET tkt_simhidapi AND NOT TKT_TSAN AND NOT TKT_ASAN)
    add_unit_test(NAME tst_sessionEnd LIBS tkt_records)
    target_compile_definitions(tst_sessionEnd PRIVATE TKT_PROGRAM_PATH="$<TARGET_FILE:TavrinKeyboardTest>"
        TKT_SIM_PRELOAD="$<TARGET_FILE:tkt_simhidapi>")
    add_dependencies(tst_sessionEnd TavrinKeyboardTest tkt_simhidapi)
    set_tests_properties(tst_sessionEnd PROPERTIES RESOURCE_LOCK programGuard)
endif()
