# robustez_figure: the display lists of the evidence figure and the detail
# page painted with QPainter, and written as PDF, SVG and PNG files. Gui and
# Svg only (no Widgets), so that the command-line report tool can link it.
add_library(robustez_figure STATIC
    ${CMAKE_CURRENT_LIST_DIR}/figure_painter.h
    ${CMAKE_CURRENT_LIST_DIR}/figure_painter.cpp
)
target_include_directories(robustez_figure PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(robustez_figure PUBLIC robustez_core Qt6::Gui Qt6::Svg)

if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
    # The files read back: the PDF with pdftotext, the SVG parsed, the PNG
    # loaded; the text widths the layout assumes against the real font.
    add_executable(figure_painter_test ${CMAKE_SOURCE_DIR}/tests/reports/figure_painter_test.cpp)
    target_include_directories(figure_painter_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(figure_painter_test PRIVATE robustez_figure GTest::gtest)
    gtest_discover_tests(figure_painter_test DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
