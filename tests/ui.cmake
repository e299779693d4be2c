# Compiled-in pictures, the main window's form and the translation switch.
add_unit_test(NAME tst_images LIBS Qt5::Gui tkt_images)
