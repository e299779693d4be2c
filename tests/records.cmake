# A record of every keyboard tested: the recorder, the station store, the
# export and the line store.
add_unit_test(NAME tst_unitRecorder LIBS tkt_records_core LABELS records)
add_unit_test(NAME tst_retryBackoff LIBS tkt_records_core LABELS records)
# Runs the real program as well, once it is built, to show the commands need no display.
# Not on Windows: there the program's data folder cannot be pointed elsewhere
# for a child, and the packaged program's commands are run on a store of its
# own by scripts/test-windows.sh.
add_unit_test(NAME tst_resultsCommand LIBS tkt_records tkt_program LABELS records)
if(TARGET TavrinKeyboardTest AND NOT WIN32)
    target_compile_definitions(tst_resultsCommand PRIVATE TKT_PROGRAM_PATH="$<TARGET_FILE:TavrinKeyboardTest>")
    add_dependencies(tst_resultsCommand TavrinKeyboardTest)
endif()
add_unit_test(NAME tst_resultExport LIBS tkt_records LABELS records)
# The line store's URL, on every platform (Windows paths under Wine).
add_unit_test(NAME tst_lineTarget LIBS tkt_records LABELS records)
# The fallback file: its line format, and the file read back bounded.
add_unit_test(NAME tst_unitLine LIBS tkt_records LABELS records)
add_unit_test(NAME tst_unitFallbackFile LIBS tkt_records LABELS records)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    # Read-only stores need root's file override dropped (Linux capabilities).
    add_unit_test(NAME tst_resultStore LIBS tkt_records LABELS records)
    # Starts its own PostgreSQL cluster (Debian package postgresql) under the
    # build folder, as "nobody" when run as root.
    add_unit_test(NAME tst_lineForwarder LIBS tkt_records tkt_program LABELS records postgresql)
    target_compile_definitions(tst_lineForwarder PRIVATE
        TKT_TEST_CERTIFICATES="${CMAKE_CURRENT_SOURCE_DIR}/support/test-certificates.sh")
    # The figures from a hand-made store, and the same from the line store.
    add_unit_test(NAME tst_resultFigures LIBS tkt_records tkt_program LABELS records postgresql)
endif()
