# robustez_qtcanvas: the page canvas on QPainter (PDF files and printers).
add_library(robustez_qtcanvas STATIC
    src/reports/qpainter_canvas.h
    src/reports/qpainter_canvas.cpp
)
target_include_directories(robustez_qtcanvas PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(robustez_qtcanvas PUBLIC robustez_core Qt6::Gui Qt6::PrintSupport)

# robustez-informe: the text report of a study file, or one printed page as PDF.
add_executable(robustez-informe src/reports/informe_main.cpp)
target_link_libraries(robustez-informe PRIVATE robustez_qtcanvas)
set_target_properties(robustez-informe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
    # The tool run as a user runs it: output, exit codes, and a PDF read back
    # with pdftotext.
    add_executable(informe_tool_test tests/reports/informe_tool_test.cpp)
    target_link_libraries(informe_tool_test PRIVATE Qt6::Core GTest::gtest)
    target_compile_definitions(informe_tool_test PRIVATE
        ROBUSTEZ_INFORME="$<TARGET_FILE:robustez-informe>"
        ROBUSTEZ_EXAMPLE="${CMAKE_CURRENT_SOURCE_DIR}/examples/ejemplo.w1o")
    add_dependencies(informe_tool_test robustez-informe)
    gtest_discover_tests(informe_tool_test DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

    add_executable(qpainter_canvas_test tests/reports/qpainter_canvas_test.cpp)
    target_link_libraries(qpainter_canvas_test PRIVATE robustez_qtcanvas GTest::gtest)
    gtest_discover_tests(qpainter_canvas_test DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
