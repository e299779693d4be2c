# Layout reader: parse time of the shipped layout and of worst-case files; prints figures only.
add_executable(bench_keyLayout "${CMAKE_CURRENT_LIST_DIR}/bench_keyLayout.cpp")
target_link_libraries(bench_keyLayout PRIVATE tkt_keyboard_layout)
target_compile_definitions(bench_keyLayout PRIVATE
    TKT_SHIPPED_LAYOUT="${CMAKE_CURRENT_LIST_DIR}/../configDir/KeyInfo.config")
