# robustez_tool: the parts of the report tool that need no Qt (its command
# line, the decimal separator of the locale, the JSON output, the search for
# the drawing program), and robustez-informe itself, which links no Qt: the
# text and JSON modes start in a few milliseconds. PDF pages and SVG figures
# are drawn by robustez-informe-qt (reports_qt.cmake).
add_library(robustez_tool STATIC
    src/reports/informe_options.h
    src/reports/informe_options.cpp
    src/reports/locale_separator.h
    src/reports/locale_separator.cpp
    src/reports/locale_separator_table.h
    src/reports/locale_separator_table.cpp
    src/reports/json.h
    src/reports/json.cpp
    src/reports/study_json.h
    src/reports/study_json.cpp
    src/reports/drawing_program.h
    src/reports/drawing_program.cpp
)
target_link_libraries(robustez_tool PUBLIC robustez_core)

add_executable(robustez-informe src/reports/informe_text_main.cpp)
target_link_libraries(robustez-informe PRIVATE robustez_tool)
set_target_properties(robustez-informe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(NOT ROBUSTEZ_SANITIZE)
    # Linked statically: with nothing to load and relocate at start, a text
    # report takes about half the time of a dynamically linked build (the
    # sanitizers cannot be linked this way).
    target_link_options(robustez-informe PRIVATE -static)
endif()

if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    add_executable(robustez_tool_tests
        tests/reports/json_test.cpp
        tests/reports/informe_options_test.cpp
        tests/reports/study_json_test.cpp
    )
    target_include_directories(robustez_tool_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    target_link_libraries(robustez_tool_tests PRIVATE robustez_tool GTest::gtest_main)
    gtest_discover_tests(robustez_tool_tests DISCOVERY_TIMEOUT 60)
endif()
