# Key capture: the platform-free hook core and chords, the Linux key
# translation, the X11 keyboard grab end to end, and the Windows hooks (a
# cross-built program run under Wine, when the cross tools are present).
add_unit_test(NAME tst_keyboardHookCore LIBS tkt_capture_core)
add_unit_test(NAME tst_hookChords LIBS tkt_capture_core)
if(NOT WIN32)
    # Linux's key codes come from the kernel's headers.
    add_unit_test(NAME tst_evdevKeyTranslation LIBS tkt_capture_core)
    # The device source's decisions and the choice of source, without a device.
    add_unit_test(NAME tst_captureSwitch SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_captureSwitch.cpp"
        "${CMAKE_CURRENT_SOURCE_DIR}/support/captureBackendFake.h" LIBS tkt_capture_core)
    add_unit_test(NAME tst_inputNodeMatch LIBS tkt_capture_core)
    add_unit_test(NAME tst_deviceKeyTranslation LIBS tkt_capture_core)
    add_unit_test(NAME tst_inputBatchQueue LIBS tkt_capture_core)
endif()
if(TARGET X11::Xtst)
    add_unit_test(NAME tst_x11KeyCapture LIBS tkt_capture X11::X11 X11::Xtst LABELS x11)
endif()

find_program(TKT_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
find_program(TKT_WINE NAMES wine64 wine)
if(TKT_MINGW_CXX AND TKT_WINE AND NOT CMAKE_CROSSCOMPILING)
    add_test(NAME tst_windowsHooks
             COMMAND ${TKT_OWN_DISPLAY} "${CMAKE_SOURCE_DIR}/scripts/test-windows-hooks.sh" "${CMAKE_BINARY_DIR}/build-mingw")
    set_tests_properties(tst_windowsHooks PROPERTIES LABELS "x11" TIMEOUT 600 COST 60 RESOURCE_LOCK wine)
else()
    message(STATUS "tst_windowsHooks skipped: needs x86_64-w64-mingw32-g++ and wine")
endif()
