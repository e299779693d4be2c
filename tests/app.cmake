# Application shell: language choice, application object, debug log, single instance.
add_unit_test(NAME tst_languageName LIBS tkt_app)
add_unit_test(NAME tst_toolVersion LIBS tkt_version)
add_unit_test(NAME tst_globalApplication LIBS tkt_app)
add_unit_test(NAME tst_debugLog LIBS tkt_app)

# Runs the guard in child processes (the test binary itself) and, once it is
# built, the real program.
add_unit_test(NAME tst_singleInstance LIBS tkt_app)
if(TARGET TavrinKeyboardTest)
    target_compile_definitions(tst_singleInstance PRIVATE TKT_PROGRAM_PATH="$<TARGET_FILE:TavrinKeyboardTest>")
    add_dependencies(tst_singleInstance TavrinKeyboardTest)
endif()
