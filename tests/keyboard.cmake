# The on-screen keyboard: key button, keyboard page, key code translation.
# tkt_images is linked by each executable: the icons and the icon font are compiled-in resources.
add_unit_test(NAME tst_keyboardButCustom LIBS tkt_keyboard tkt_images LABELS keyboard)
add_unit_test(NAME tst_keyboardPage LIBS tkt_keyboard tkt_images LABELS keyboard)
add_unit_test(NAME tst_keyEventTranslator LIBS tkt_keyboard tkt_images LABELS keyboard)
