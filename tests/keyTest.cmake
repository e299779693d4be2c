# The key test end to end: the real main window on the real X server, keys
# typed through XTest. Like tst_mainPageDia it gets a folder of its own with
# the catalogues and the shipped layout beside the executable.
if(TARGET X11::Xtst AND NOT WIN32)
    add_unit_test(NAME tst_keyCaptureEndToEnd
        SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_keyCaptureEndToEnd.cpp"
                "${CMAKE_CURRENT_SOURCE_DIR}/support/xtestKeyboard.h"
                "${CMAKE_CURRENT_SOURCE_DIR}/support/otherX11Client.h"
        LIBS tkt_ui tkt_hid tkt_simkeyboard tkt_images X11::X11 X11::Xtst
        LABELS x11)
    set(tst_keyCaptureEndToEnd_dir "${CMAKE_BINARY_DIR}/tests/keyCaptureEndToEnd")
    set_target_properties(tst_keyCaptureEndToEnd PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${tst_keyCaptureEndToEnd_dir}")
    add_dependencies(tst_keyCaptureEndToEnd tkt_translations)
    add_custom_command(TARGET tst_keyCaptureEndToEnd POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E copy_directory "${TKT_TRANSLATION_DIR}" "${tst_keyCaptureEndToEnd_dir}/translation"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${tst_keyCaptureEndToEnd_dir}/configDir"
        COMMAND "${CMAKE_COMMAND}" -E copy "${TKT_LAYOUT_SOURCE}" "${tst_keyCaptureEndToEnd_dir}/configDir/KeyInfo.config"
        VERBATIM)
endif()
