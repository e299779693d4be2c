# Unit records: one unit written, 100,000 exported, 10,000 sent to a PostgreSQL started here, the line's
# figures over 1,000,000 units in both stores, the Results view over 100,000; prints figures only.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return() # the PostgreSQL part starts its own server as Linux does
endif()
add_executable(bench_records "${CMAKE_CURRENT_LIST_DIR}/bench_records.cpp")
target_include_directories(bench_records PRIVATE "${CMAKE_CURRENT_LIST_DIR}/../tests/support")
# The Results view draws the station's keyboard page from the layout beside the program.
target_link_libraries(bench_records PRIVATE tkt_records tkt_resultsview tkt_program tkt_images)
add_dependencies(bench_records tkt_layout_file)
target_compile_definitions(bench_records PRIVATE
    TKT_TEST_CERTIFICATES="${CMAKE_CURRENT_LIST_DIR}/../tests/support/test-certificates.sh")
