add_unit_test(NAME tst_hidReport LIBS tkt_protocol)
add_unit_test(NAME tst_hidAnswer LIBS tkt_protocol)
add_unit_test(NAME tst_sixKeyTracker LIBS tkt_protocol)
add_unit_test(NAME tst_keyMatrix LIBS tkt_protocol)
