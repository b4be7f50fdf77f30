# The results window and the text report window.
add_library(robustez_results STATIC
    src/calc/results_window.h
    src/calc/results_window.cpp
    src/reports/report_window.h
    src/reports/report_window.cpp
)
target_link_libraries(robustez_results PUBLIC robustez_core robustez_ui Qt6::Widgets)

add_executable(report_window_test tests/reports/report_window_test.cpp)
target_link_libraries(report_window_test PRIVATE robustez_results Qt6::Test)
add_test(NAME report_window_test COMMAND report_window_test)
set_tests_properties(report_window_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(results_copy_test tests/calc/results_copy_test.cpp)
target_include_directories(results_copy_test PRIVATE tests)
target_link_libraries(results_copy_test PRIVATE robustez_results Qt6::Test)
add_test(NAME results_copy_test COMMAND results_copy_test)
set_tests_properties(results_copy_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
