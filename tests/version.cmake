# The version the window title and the records show.
add_unit_test(NAME tst_toolVersion LIBS tkt_version)
