add_unit_test(NAME tst_hidReport LIBS tkt_protocol)
