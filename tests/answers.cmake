# The firmware's answers and what each leads to.
add_unit_test(NAME tst_answerHandler LIBS tkt_answers LABELS protocol)
