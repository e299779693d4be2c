# Key capture: the platform-free hook core and chords, the Linux key
# translation, the X11 keyboard grab end to end, and the Windows hooks (a
# cross-built program run under Wine, when the cross tools are present).
add_unit_test(NAME tst_keyboardHookCore LIBS tkt_capture_core)
add_unit_test(NAME tst_hookChords LIBS tkt_capture_core)
add_unit_test(NAME tst_evdevKeyTranslation LIBS tkt_capture_core)
if(TARGET X11::Xtst)
    add_unit_test(NAME tst_x11KeyCapture LIBS tkt_capture X11::X11 X11::Xtst LABELS x11)
endif()

