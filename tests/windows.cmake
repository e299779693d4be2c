# The whole program for Windows: cross-built, packed into the zip and run from
# it under Wine (window, single instance, keys through the low-level hook, the
# cross-built unit tests). Skipped, saying why, when the toolkit for Windows
# lacks a module the program needs.
if(NOT CMAKE_CROSSCOMPILING AND TKT_MINGW_CXX AND TKT_WINE)
    add_test(NAME tst_windowsProgram
             COMMAND "${CMAKE_SOURCE_DIR}/scripts/test-windows.sh" "${CMAKE_BINARY_DIR}/windows")
    set_tests_properties(tst_windowsProgram PROPERTIES LABELS "wine" TIMEOUT 1200 SKIP_RETURN_CODE 77
                         RUN_SERIAL ON)
endif()
