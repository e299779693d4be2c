# Key event handling on a full on-screen keyboard; prints figures only.
add_executable(bench_keyboardPage "${CMAKE_CURRENT_LIST_DIR}/bench_keyboardPage.cpp")
# The verdict bar comes with the window's library, which needs a hidapi to link.
target_link_libraries(bench_keyboardPage PRIVATE tkt_keyboard tkt_images tkt_records_core tkt_ui PkgConfig::HIDAPI)
target_compile_definitions(bench_keyboardPage PRIVATE
    TKT_SHIPPED_LAYOUT="${CMAKE_CURRENT_LIST_DIR}/../configDir/KeyInfo.config")
