# Tests that use the X server (label x11, or display for window tests that
# capture keys on it when there is one) each run on an X server of their own,
# so ctest can run them side by side. Without Xvfb they get the caller's, as do
# cross-built tests, which run one after another under Wine on its display.
find_program(TKT_XVFB Xvfb)
if(TKT_XVFB AND NOT CMAKE_CROSSCOMPILING)
    set(TKT_OWN_DISPLAY "${CMAKE_CURRENT_LIST_DIR}/../tests/support/own-display.sh")
else()
    set(TKT_OWN_DISPLAY "")
endif()

# add_unit_test(NAME tst_foo SOURCES a.cpp ... LIBS lib ... [LABELS gui ...])
# One test executable per unit; sources default to tests/<NAME>.cpp.
function(add_unit_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    if(NOT T_SOURCES)
        set(T_SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/${T_NAME}.cpp")
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    target_include_directories(${T_NAME} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/support")
    target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
    # Named by target where no wrapper comes first, so a cross build's tests
    # still run through its emulator (Wine), which ctest adds only then.
    if(TKT_OWN_DISPLAY AND ("x11" IN_LIST T_LABELS OR "display" IN_LIST T_LABELS))
        add_test(NAME ${T_NAME} COMMAND ${TKT_OWN_DISPLAY} $<TARGET_FILE:${T_NAME}>)
    else()
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    endif()
    # Widgets render offscreen unless a test asks for the X server (label x11).
    set(env "QT_QPA_PLATFORM=offscreen" "TKT_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    if("x11" IN_LIST T_LABELS)
        set(env "TKT_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    endif()
    # Each test's data folder (its settings, log and station store) in the
    # build tree rather than the user's home, so two build trees testing at
    # once, or an older tool's store, never meet.
    if(NOT WIN32)
        list(APPEND env "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/tests/home/${T_NAME}")
    endif()
    # Any report fails the test: undefined behaviour would otherwise only print
    # and carry on. Qt is built without frame pointers, so the quick unwinder
    # stops at its first frame; the full one lets leaks inside Qt be told from
    # ours and lets the suppressions (third-party leaks only) match.
    if(TKT_ASAN)
        list(APPEND env "ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:fast_unwind_on_malloc=0"
            "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/lsan.supp"
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    endif()
    # Debian's Qt and GLib are not built with ThreadSanitizer: their locking
    # (Qt's mutexes are bare futexes) is invisible to it, so what they
    # allocate, copy and free inside themselves while handing events between
    # threads would look racy. Their calls into the runtime are not counted
    # as accesses (ignore_noninstrumented_modules); every access made by our
    # own code still is, and nothing is suppressed by name: a race reported
    # now is in our code, a hand-over Qt cannot vouch for.
    if(TKT_TSAN)
        list(APPEND env "TSAN_OPTIONS=halt_on_error=1 ignore_noninstrumented_modules=1")
    endif()
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env};${T_ENV}" LABELS "${T_LABELS}")
endfunction()

# The window reads its catalogues and the key layout beside its executable:
# places target's executable in dir with both copied in, so a window test or
# benchmark gets a folder of its own and other programs keep seeing no layout.
function(place_with_window_data target dir)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${dir}")
    add_dependencies(${target} tkt_translations)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E copy_directory "${TKT_TRANSLATION_DIR}" "${dir}/translation"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${dir}/configDir"
        COMMAND "${CMAKE_COMMAND}" -E copy "${TKT_LAYOUT_SOURCE}" "${dir}/configDir/KeyInfo.config"
        VERBATIM)
endfunction()
