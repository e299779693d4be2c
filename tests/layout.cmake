# Key layout file: the reader and the shipped layout.
add_unit_test(NAME tst_keyLayoutParser LIBS tkt_keyboard_layout)
target_compile_definitions(tst_keyLayoutParser PRIVATE
    TKT_LAYOUT_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data/layout"
    TKT_SHIPPED_LAYOUT="${CMAKE_SOURCE_DIR}/configDir/KeyInfo.config")

# The committed layout must be what its generator writes (and pass the generator's own checks).
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
    add_test(NAME genKeyInfo_current
             COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/configDir/genKeyInfo.py" --check)
endif()
