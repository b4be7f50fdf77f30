# robustez_extras: the splash and About windows, the help viewer and the
# print dialogs; the help file AYUDA11TC.rcc; installation and packaging.
add_library(robustez_extras STATIC
    src/shell/splash_window.h
    src/shell/splash_window.cpp
    src/shell/about_box.h
    src/shell/about_box.cpp
    src/shell/help_viewer.h
    src/shell/help_viewer.cpp
)
target_include_directories(robustez_extras PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(robustez_extras PUBLIC robustez_ui Qt6::Widgets Qt6::Svg Qt6::PrintSupport robustez_core)
# The print dialogs draw their pages through the printer canvas.
if(TARGET robustez_qtcanvas)
    target_sources(robustez_extras PRIVATE
        src/reports/print_dialogs.h
        src/reports/print_dialogs.cpp)
    target_link_libraries(robustez_extras PUBLIC robustez_qtcanvas)
else()
    message(WARNING "robustez_qtcanvas not defined: the print dialogs are not built")
endif()

# The help file: every topic of help/ in one binary resource file, placed
# beside the program in the build tree and installed to share/robustez/.
set(ROBUSTEZ_HELP_FILE ${CMAKE_BINARY_DIR}/AYUDA11TC.rcc)
qt_add_binary_resources(robustez_help help/ayuda.qrc DESTINATION ${ROBUSTEZ_HELP_FILE})
add_dependencies(robustez_extras robustez_help)

if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
    add_executable(extras_test tests/shell/extras_test.cpp)
    target_link_libraries(extras_test PRIVATE robustez_extras Qt6::Test)
    target_compile_definitions(extras_test PRIVATE
        ROBUSTEZ_HELP_FILE="${ROBUSTEZ_HELP_FILE}")
    add_test(NAME extras_test COMMAND extras_test)
    set_tests_properties(extras_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

    if(TARGET robustez_qtcanvas)
        add_executable(print_dialogs_test tests/reports/print_dialogs_test.cpp)
        target_link_libraries(print_dialogs_test PRIVATE robustez_extras Qt6::Test)
        add_test(NAME print_dialogs_test COMMAND print_dialogs_test)
        set_tests_properties(print_dialogs_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
    endif()
endif()

include(cmake/install.cmake)
