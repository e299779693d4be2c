# The tool against a real kernel USB stack: a gadget keyboard on dummy_hcd in a
# QEMU guest (tests/vm/run-vm-test.sh). Label "vm"; skipped where QEMU cannot
# run at all. Run alone with: ctest --test-dir build -L vm --output-on-failure
if(NOT UNIX OR APPLE OR NOT TARGET TavrinKeyboardTest OR TKT_ASAN OR TKT_TSAN)
    return()
endif()

# The firmware, on the gadget's vendor interface inside the guest.
add_executable(tkt_gadget_firmware vm/gadgetFirmware.cpp)
target_link_libraries(tkt_gadget_firmware PRIVATE tkt_firmware_answers)
set_target_properties(tkt_gadget_firmware PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests/vm"
    AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# A key's time from the gadget to a log line: the least a program can do
# (a reader of the unit's event node), timed beside the tool by the same timer.
add_executable(tkt_vm_key_reader vm/keyReader.c)
add_executable(tkt_vm_key_timer vm/keyLineTimer.c)
set_target_properties(tkt_vm_key_reader tkt_vm_key_timer PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests/vm" AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# The main window on the system's hidapi, clicked by object name; beside the
# program, so it finds the layout file and the catalogues there too.
add_executable(tkt_vm_window vm/vmWindowDriver.cpp)
target_include_directories(tkt_vm_window PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/support")
target_link_libraries(tkt_vm_window PRIVATE tkt_app tkt_ui tkt_images Qt5::Test PkgConfig::HIDAPI)
add_dependencies(tkt_vm_window TavrinKeyboardTest)

add_test(NAME vm_gadgetKeyboard COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/vm/run-vm-test.sh" "${CMAKE_BINARY_DIR}")
set_tests_properties(vm_gadgetKeyboard PROPERTIES LABELS vm TIMEOUT 570 SKIP_RETURN_CODE 77 COST 400)
