# The on-screen keyboard: key button, keyboard page, key code translation.
# tkt_images is linked by each executable: the icons and the icon font are compiled-in resources.
add_unit_test(NAME tst_keyboardButCustom LIBS tkt_keyboard tkt_images LABELS keyboard)
add_unit_test(NAME tst_keyboardPage LIBS tkt_keyboard tkt_images LABELS keyboard)
add_unit_test(NAME tst_keyEventTranslator LIBS tkt_keyboard tkt_images LABELS keyboard)
if(NOT WIN32)
    # Reads the indicators of the X server that scripts/test.sh provides.
    add_unit_test(NAME tst_lockKeyState LIBS tkt_keyboard X11::X11 LABELS keyboard x11)
endif()
# Every key the verdict wants of each shipped layout and variant, from the key
# events each capture source can deliver.
add_unit_test(NAME tst_keyReachability LIBS tkt_keyboard tkt_capture_core tkt_images LABELS keyboard)
target_compile_definitions(tst_keyReachability PRIVATE TKT_CONFIG_DIR="${CMAKE_SOURCE_DIR}/configDir")
