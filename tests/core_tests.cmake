add_executable(core_tests
    tests/study/conversions_test.cpp
    tests/study/study_record_test.cpp
    tests/study/study_file_test.cpp
    tests/reports/text_report_test.cpp
    tests/reports/page_layouts_test.cpp
    tests/calc/dunnett_table_test.cpp
    tests/calc/dunnett_distribution_test.cpp
    tests/calc/number_format_test.cpp
    tests/calc/robustness_test.cpp
    tests/calc/results_tables_test.cpp
    tests/calc/evidence_test.cpp
    tests/reports/evidence_figure_test.cpp
    tests/study/study_fixtures.h
)
target_include_directories(core_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(core_tests PRIVATE robustez_core GTest::gtest_main)
gtest_discover_tests(core_tests DISCOVERY_TIMEOUT 60)
