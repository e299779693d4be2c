# HID link, identity parsing and the simulated keyboard.
add_unit_test(NAME tst_keyboardIdentity LIBS tkt_hid)
add_unit_test(NAME tst_readWaitSchedule LIBS tkt_hid)
add_unit_test(NAME tst_hidAccessHint LIBS tkt_hid)
add_unit_test(NAME tst_mainHidInterFace
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainHidInterFace.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/hidReportSink.h"
    LIBS tkt_hid tkt_simkeyboard)
add_unit_test(NAME tst_simKeyboard LIBS tkt_simkeyboard)

# The preloaded simulator must take over from the system's hidapi in a
# program linked against it, as the real program is.
if(TARGET tkt_simhidapi AND NOT TKT_TSAN)
    set(sim_preload "$<TARGET_FILE:tkt_simhidapi>")
    if(TKT_ASAN)
        # AddressSanitizer refuses to start unless its runtime is the first
        # library loaded, ahead of anything preloaded.
        execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=libasan.so
            OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
        set(sim_preload "${asan_runtime}:${sim_preload}")
    endif()
    add_unit_test(NAME tst_simDropIn LIBS PkgConfig::HIDAPI
        ENV "LD_PRELOAD=${sim_preload}" "TKT_SIM_KEYBOARDS=0416:b23c,0416:7372" "TKT_SIM_LIVE_MS=20")
    add_dependencies(tst_simDropIn tkt_simhidapi)
endif()

# Device presence: the recognition rules, and simulated plugging through udev
# events to the presence unit's signals.
add_unit_test(NAME tst_deviceChange LIBS tkt_presence_core)
add_unit_test(NAME tst_devicePresence
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_devicePresence.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simUdevBridge.h"
    LIBS tkt_presence tkt_simkeyboard)
