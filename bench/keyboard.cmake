# Key event handling on a full on-screen keyboard; prints figures only.
add_executable(bench_keyboardPage "${CMAKE_CURRENT_LIST_DIR}/bench_keyboardPage.cpp")
target_link_libraries(bench_keyboardPage PRIVATE tkt_keyboard tkt_images)
target_compile_definitions(bench_keyboardPage PRIVATE
    TKT_SHIPPED_LAYOUT="${CMAKE_CURRENT_LIST_DIR}/../configDir/KeyInfo.config")
