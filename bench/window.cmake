# The main window end to end against the simulated keyboard: plug and play,
# the answers it handles, and what it costs while connected and idle. Both run on Qt's offscreen platform. The window
# reads its catalogues and the key layout beside its executable, so each
# benchmark gets a folder of its own with both copied in.
if(TARGET tkt_ui)
    function(add_window_bench name dir)
        add_executable(${name} "${CMAKE_CURRENT_LIST_DIR}/${name}.cpp"
            "${CMAKE_CURRENT_LIST_DIR}/../tests/support/simWindowHarness.h")
        target_include_directories(${name} PRIVATE "${CMAKE_CURRENT_LIST_DIR}/../tests/support")
        target_link_libraries(${name} PRIVATE tkt_ui tkt_hid tkt_simkeyboard tkt_images Qt5::Test)
        place_with_window_data(${name} "${CMAKE_BINARY_DIR}/bench/${dir}")
    endfunction()
    add_window_bench(bench_plugAndPlay plugAndPlay)
    add_window_bench(bench_answers answers)
    add_window_bench(bench_idle idle)
    target_link_libraries(bench_idle PRIVATE tkt_app)
endif()
