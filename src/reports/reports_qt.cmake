# robustez_qtcanvas: the page canvas on QPainter (PDF files and printers).
add_library(robustez_qtcanvas STATIC
    src/reports/qpainter_canvas.h
    src/reports/qpainter_canvas.cpp
)
target_include_directories(robustez_qtcanvas PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(robustez_qtcanvas PUBLIC robustez_core Qt6::Gui Qt6::PrintSupport)

# robustez-informe-qt: the drawing half of robustez-informe (informe.cmake),
# which runs it for --pdf and --svg. Installed in lib/robustez/; in the build
# tree it sits beside robustez-informe.
add_executable(robustez-informe-qt src/reports/informe_qt_main.cpp)
target_link_libraries(robustez-informe-qt PRIVATE robustez_tool robustez_qtcanvas robustez_figure)
set_target_properties(robustez-informe-qt PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Writes src/reports/locale_separator_table.cpp from the locale data of the Qt
# it is built with: cmake --build <dir> --target update_locale_separators
add_executable(generate_locale_separators EXCLUDE_FROM_ALL
    scripts/generate_locale_separators.cpp)
target_link_libraries(generate_locale_separators PRIVATE Qt6::Core)
add_custom_target(update_locale_separators
    COMMAND generate_locale_separators > ${CMAKE_CURRENT_SOURCE_DIR}/src/reports/locale_separator_table.cpp
    DEPENDS generate_locale_separators
    VERBATIM)

if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
    # The tool run as a user runs it: output, exit codes, and a PDF read back
    # with pdftotext.
    add_executable(informe_tool_test tests/reports/informe_tool_test.cpp)
    target_link_libraries(informe_tool_test PRIVATE Qt6::Core GTest::gtest)
    target_compile_definitions(informe_tool_test PRIVATE
        ROBUSTEZ_INFORME="$<TARGET_FILE:robustez-informe>"
        ROBUSTEZ_INFORME_QT="$<TARGET_FILE:robustez-informe-qt>"
        ROBUSTEZ_EXAMPLE="${CMAKE_CURRENT_SOURCE_DIR}/examples/ejemplo.w1o")
    add_dependencies(informe_tool_test robustez-informe robustez-informe-qt)
    gtest_discover_tests(informe_tool_test DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

    # The decimal separator found without Qt against QLocale, locale by locale.
    add_executable(locale_separator_test tests/reports/locale_separator_test.cpp)
    target_link_libraries(locale_separator_test PRIVATE robustez_tool Qt6::Core GTest::gtest)
    gtest_discover_tests(locale_separator_test DISCOVERY_TIMEOUT 60)

    add_executable(qpainter_canvas_test tests/reports/qpainter_canvas_test.cpp)
    target_link_libraries(qpainter_canvas_test PRIVATE robustez_qtcanvas GTest::gtest)
    gtest_discover_tests(qpainter_canvas_test DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
