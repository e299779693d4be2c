# A unit's pass or fail: the rules, the criteria read from the settings file, and their words.
add_unit_test(NAME tst_unitVerdict LIBS tkt_verdict_core LABELS verdict)
# The rules under a few thousand random sequences through the unit's recorder.
add_unit_test(NAME tst_verdictInvariants LIBS tkt_records_core LABELS verdict)
