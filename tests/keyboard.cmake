# The on-screen keyboard: key button, keyboard page, key code translation.
# tkt_images is linked by each executable: the icons and the icon font are compiled-in resources.
add_unit_test(NAME tst_keyboardButCustom LIBS tkt_keyboard tkt_images LABELS keyboard)
add_unit_test(NAME tst_keyboardPage LIBS tkt_keyboard tkt_images LABELS keyboard)
add_unit_test(NAME tst_keyEventTranslator LIBS tkt_keyboard tkt_images LABELS keyboard)
if(NOT WIN32)
    # Reads the indicators of the X server that scripts/test.sh provides.
    add_unit_test(NAME tst_lockKeyState LIBS tkt_keyboard X11::X11 LABELS keyboard x11)
endif()
