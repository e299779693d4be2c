# The main window end to end against the simulated keyboard: plug and play,
# and the answers it handles. Both run on Qt's offscreen platform. The window
# reads its catalogues and the key layout beside its executable, so each
# benchmark gets a folder of its own with both copied in.
if(TARGET tkt_ui)
    function(add_window_bench name dir)
        add_executable(${name} "${CMAKE_CURRENT_LIST_DIR}/${name}.cpp"
            "${CMAKE_CURRENT_LIST_DIR}/../tests/support/simWindowHarness.h")
        target_include_directories(${name} PRIVATE "${CMAKE_CURRENT_LIST_DIR}/../tests/support")
        target_link_libraries(${name} PRIVATE tkt_ui tkt_hid tkt_simkeyboard tkt_images Qt5::Test)
        set(out "${CMAKE_BINARY_DIR}/bench/${dir}")
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${out}")
        add_dependencies(${name} tkt_translations)
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND "${CMAKE_COMMAND}" -E copy_directory "${TKT_TRANSLATION_DIR}" "${out}/translation"
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${out}/configDir"
            COMMAND "${CMAKE_COMMAND}" -E copy "${TKT_LAYOUT_SOURCE}" "${out}/configDir/KeyInfo.config"
            VERBATIM)
    endfunction()
    add_window_bench(bench_plugAndPlay plugAndPlay)
    add_window_bench(bench_answers answers)
endif()
