# The verdict's rules under 100,000 random sequences; prints the count and any broken rule's seed.
add_executable(bench_verdictInvariants "${CMAKE_CURRENT_LIST_DIR}/bench_verdictInvariants.cpp")
target_include_directories(bench_verdictInvariants PRIVATE "${CMAKE_CURRENT_LIST_DIR}/../tests/support")
target_link_libraries(bench_verdictInvariants PRIVATE tkt_records_core)
