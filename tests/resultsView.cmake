# The line's view of the records: the key heat map, the PDF report read back
# with poppler's tools, and the Results view opened from the window.
add_unit_test(NAME tst_keyHeat LIBS tkt_resultsview LABELS records)
add_unit_test(NAME tst_resultsReport LIBS tkt_resultsview tkt_program tkt_images LABELS records)
place_with_window_data(tst_resultsReport "${CMAKE_BINARY_DIR}/tests/tst_resultsReport")
