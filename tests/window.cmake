# The main window as the hub: the device table, the settings file, and the
# window itself driven end to end against the simulated keyboard.
add_unit_test(NAME tst_deviceTable LIBS tkt_ui)
add_unit_test(NAME tst_userSettings LIBS tkt_ui)
add_unit_test(NAME tst_testWorkflow LIBS tkt_workflow)
add_unit_test(NAME tst_deviceEventQueue LIBS tkt_workflow)
# The verdict bar alone, with its serial field; the window's library comes
# with the link, so the simulated keyboard stands in for hidapi.
add_unit_test(NAME tst_verdictBar LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images)
add_unit_test(NAME tst_framePacer LIBS tkt_workflow)

# Each window test in a folder of its own with the window's data beside it,
# and on an X server of its own: the window's key test captures keys there.
function(add_window_test name)
    add_unit_test(NAME ${name} ${ARGN} LABELS display)
    place_with_window_data(${name} "${CMAKE_BINARY_DIR}/tests/${name}")
endfunction()

# Reads the X server's lock indicators, so it is built where X11 is.
if(TARGET X11::X11)
    add_window_test(tst_mainPageDia
        SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDia.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/mainPageDiaUrlRecorder.h"
        LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images X11::X11)
endif()
add_window_test(tst_mainPageDiaDevice
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaDevice.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simWindowHarness.h"
    LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images)
add_window_test(tst_mainPageDiaAnswers
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaAnswers.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simWindowHarness.h"
    LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images)
# 200 plug cycles, mostly the window's own waits: started first, beside the rest.
set_tests_properties(tst_mainPageDiaDevice PROPERTIES TIMEOUT 900 COST 250)
# Reads the station store back.
add_window_test(tst_mainPageDiaRecords
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaRecords.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simWindowHarness.h"
    LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images)
# The station's Results opened from the window over a store of known units.
add_window_test(tst_mainPageDiaResults
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaResults.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simWindowHarness.h"
    LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images tkt_records tkt_program)
add_window_test(tst_mainPageDiaVerdict
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaVerdict.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simWindowHarness.h"
    LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images)
# The window's own device notifications, under Windows (run under Wine by the cross build's checks).
if(WIN32)
    add_window_test(tst_mainPageDiaWin LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images user32)
endif()
# Taking and giving back the unit's own keys around the test, with fake sources.
if(NOT WIN32)
    add_window_test(tst_mainPageDiaCapture
        SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaCapture.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/simWindowHarness.h"
            "${CMAKE_CURRENT_SOURCE_DIR}/support/captureBackendFake.h"
        LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images)
endif()
