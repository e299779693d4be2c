# The whole program for Windows: cross-built, packed into the installer and the
# zip and run from the zip under Wine (window, single instance, keys through the low-level hook, the
# cross-built unit tests). Skipped, saying why, when the toolkit for Windows
# lacks a module the program needs.
if(NOT CMAKE_CROSSCOMPILING AND TKT_MINGW_CXX AND TKT_WINE)
    add_test(NAME tst_windowsProgram
             COMMAND ${TKT_OWN_DISPLAY} "${CMAKE_SOURCE_DIR}/scripts/test-windows.sh" "${CMAKE_BINARY_DIR}/windows")
    # Started first. The Wine checks take turns (lock "wine"), since typing into
    # a program under Wine beside another Wine busy on both cores is a test of
    # the machine; the VM and lighter tests run beside them.
    set_tests_properties(tst_windowsProgram PROPERTIES LABELS "wine" TIMEOUT 1200 SKIP_RETURN_CODE 77 COST 600
                         RESOURCE_LOCK wine FIXTURES_SETUP windowsPackage)
    # The installer it made, in a fresh Wine prefix: install, upgrade, uninstall.
    add_test(NAME tst_windowsInstaller
             COMMAND ${TKT_OWN_DISPLAY} "${CMAKE_SOURCE_DIR}/scripts/test-windows-installer.sh" "${CMAKE_BINARY_DIR}/windows")
    set_tests_properties(tst_windowsInstaller PROPERTIES LABELS "wine" TIMEOUT 600 SKIP_RETURN_CODE 77 COST 100
                         RESOURCE_LOCK wine FIXTURES_REQUIRED windowsPackage)
endif()

# Records one unit through the window into the program's own store, for the
# packaged program's export under Wine (scripts/test-windows.sh). Not a test of
# its own: it writes where the program keeps its records.
if(WIN32)
    add_executable(tkt_recordOneUnit "${CMAKE_CURRENT_SOURCE_DIR}/win/recordOneUnit.cpp")
    target_include_directories(tkt_recordOneUnit PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/support")
    target_link_libraries(tkt_recordOneUnit PRIVATE Qt5::Test tkt_ui tkt_hid tkt_simkeyboard tkt_images)
    place_with_window_data(tkt_recordOneUnit "${CMAKE_BINARY_DIR}/tests/tkt_recordOneUnit")
endif()

# A unit under test in the window when the Windows session ends
# (scripts/test-windows.sh ends it with wineboot): into the program's own
# store, whose fallback file the script then reads.
if(WIN32)
    add_executable(tkt_endSessionUnit "${CMAKE_CURRENT_SOURCE_DIR}/win/endSessionUnit.cpp")
    target_include_directories(tkt_endSessionUnit PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/support")
    target_link_libraries(tkt_endSessionUnit PRIVATE Qt5::Test tkt_app tkt_ui tkt_hid tkt_simkeyboard tkt_images)
    place_with_window_data(tkt_endSessionUnit "${CMAKE_BINARY_DIR}/tests/tkt_endSessionUnit")
endif()

# Starts a program as cmd.exe starts a GUI program, with no standard handles,
# so that scripts/test-windows.sh sees the program's --help reach the console
# only by attaching to it.
if(WIN32)
    add_executable(tkt_consoleParent "${CMAKE_CURRENT_SOURCE_DIR}/win/consoleParent.cpp")
    set_target_properties(tkt_consoleParent PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    if(MINGW)
        # Runs from anywhere under Wine: no runtime DLL to find.
        target_link_options(tkt_consoleParent PRIVATE -static)
    endif()
endif()
