# Compiled-in pictures, the main window's form, the language switch and the
# interface catalogues.
add_unit_test(NAME tst_images LIBS Qt5::Gui tkt_images)

# The form is compiled straight from ui/mainPageDia.ui, without the window
# class, so these tests need nothing of what the window links.
add_unit_test(NAME tst_mainPageDiaForm
    SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tst_mainPageDiaForm.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/support/mainPageDiaFormHost.h"
    LIBS Qt5::Widgets tkt_images)
set_property(TARGET tst_mainPageDiaForm PROPERTY AUTOUIC_SEARCH_PATHS "${CMAKE_SOURCE_DIR}/ui")

add_unit_test(NAME tst_translationCatalogs LIBS Qt5::Widgets)
set_property(TARGET tst_translationCatalogs PROPERTY AUTOUIC_SEARCH_PATHS "${CMAKE_SOURCE_DIR}/ui")
target_compile_definitions(tst_translationCatalogs PRIVATE TKT_TRANSLATION_DIR="${TKT_TRANSLATION_DIR}")
add_dependencies(tst_translationCatalogs tkt_translations)

# Two small catalogues that translate one text differently.
set(tkt_switch_ts
    "${CMAKE_CURRENT_SOURCE_DIR}/support/translationSwitch_first.ts"
    "${CMAKE_CURRENT_SOURCE_DIR}/support/translationSwitch_second.ts")
set_source_files_properties(${tkt_switch_ts} PROPERTIES OUTPUT_LOCATION "${CMAKE_CURRENT_BINARY_DIR}/translationSwitch")
qt5_add_translation(tkt_switch_qm ${tkt_switch_ts})
add_custom_target(tst_translationSwitch_catalogs DEPENDS ${tkt_switch_qm})
add_unit_test(NAME tst_translationSwitch LIBS Qt5::Core tkt_ui)
target_compile_definitions(tst_translationSwitch PRIVATE
    TKT_SWITCH_QM_DIR="${CMAKE_CURRENT_BINARY_DIR}/translationSwitch")
add_dependencies(tst_translationSwitch tst_translationSwitch_catalogs)
