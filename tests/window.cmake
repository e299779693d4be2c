# The main window as the hub: the device table, the settings file, and the
# window itself driven end to end against the simulated keyboard.
add_unit_test(NAME tst_deviceTable LIBS tkt_ui)
add_unit_test(NAME tst_userSettings LIBS tkt_ui)

# The window reads its catalogues and the key layout beside its executable, so
# this test gets a folder of its own with both copied in; other tests in
# <build>/tests keep seeing no layout file there.
add_unit_test(NAME tst_mainPageDia
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDia.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/mainPageDiaUrlRecorder.h"
    LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images X11::X11)
set(tst_mainPageDia_dir "${CMAKE_BINARY_DIR}/tests/mainPageDia")
set_target_properties(tst_mainPageDia PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${tst_mainPageDia_dir}")
add_dependencies(tst_mainPageDia tkt_translations)
add_custom_command(TARGET tst_mainPageDia POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E copy_directory "${TKT_TRANSLATION_DIR}" "${tst_mainPageDia_dir}/translation"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${tst_mainPageDia_dir}/configDir"
    COMMAND "${CMAKE_COMMAND}" -E copy "${TKT_LAYOUT_SOURCE}" "${tst_mainPageDia_dir}/configDir/KeyInfo.config"
    VERBATIM)
