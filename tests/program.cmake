# What the program is: its version, where it finds the files it ships with,
# its command line's rules.
add_unit_test(NAME tst_toolVersion LIBS tkt_program)

add_unit_test(NAME tst_commandLine LIBS tkt_program)
# Windows has the one place beside the program.
if(NOT WIN32)
    add_unit_test(NAME tst_programFiles LIBS tkt_program)
    target_compile_definitions(tst_programFiles PRIVATE TKT_INSTALL_BINDIR="${TKT_INSTALL_BINDIR}"
                               TKT_INSTALL_DATADIR="${TKT_INSTALL_DATADIR}")
endif()
