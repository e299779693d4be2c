# Debug log: cost of one logged line (every key event of the key test logs one); prints figures only.
add_executable(bench_debugLog "${CMAKE_CURRENT_LIST_DIR}/bench_debugLog.cpp")
target_link_libraries(bench_debugLog PRIVATE tkt_app)
