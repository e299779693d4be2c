# HID link against the simulated keyboard: round trip, report rate, idle CPU.
add_executable(bench_hidLink "${CMAKE_CURRENT_SOURCE_DIR}/bench_hidLink.cpp")
target_link_libraries(bench_hidLink PRIVATE tkt_hid tkt_simkeyboard Qt5::Core)
set_target_properties(bench_hidLink PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
