# Key capture end to end under X11: XTest key -> key state on the real window's
# page. Needs an X server to run; prints figures only. The window reads the
# layout beside its executable, so the benchmark gets a folder of its own.
if(TARGET X11::Xtst AND TARGET tkt_ui AND NOT WIN32)
    set(bench_keyCapture_dir "${CMAKE_BINARY_DIR}/bench/keyCapture")
    add_executable(bench_keyCapture "${CMAKE_CURRENT_LIST_DIR}/bench_keyCapture.cpp")
    target_include_directories(bench_keyCapture PRIVATE "${CMAKE_CURRENT_LIST_DIR}/../tests/support")
    target_link_libraries(bench_keyCapture PRIVATE tkt_ui tkt_hid tkt_simkeyboard tkt_images X11::X11 X11::Xtst)
    set_target_properties(bench_keyCapture PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${bench_keyCapture_dir}")
    add_custom_command(TARGET bench_keyCapture POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${bench_keyCapture_dir}/configDir"
        COMMAND "${CMAKE_COMMAND}" -E copy "${TKT_LAYOUT_SOURCE}" "${bench_keyCapture_dir}/configDir/KeyInfo.config"
        VERBATIM)
endif()
