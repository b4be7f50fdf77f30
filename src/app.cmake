# The program: the main window, the study window and the file commands.
add_library(robustez_widgets STATIC
    ${CMAKE_CURRENT_LIST_DIR}/shell/app_setup.h
    ${CMAKE_CURRENT_LIST_DIR}/shell/app_setup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell/command_table.h
    ${CMAKE_CURRENT_LIST_DIR}/shell/command_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell/main_form.h
    ${CMAKE_CURRENT_LIST_DIR}/shell/main_form.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell/file_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell/shell.qrc
    ${CMAKE_CURRENT_LIST_DIR}/study/study_grid.h
    ${CMAKE_CURRENT_LIST_DIR}/study/study_grid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/study/study_window.h
    ${CMAKE_CURRENT_LIST_DIR}/study/study_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/study/study_frame.h
    ${CMAKE_CURRENT_LIST_DIR}/study/focus_flow.h
    ${CMAKE_CURRENT_LIST_DIR}/study/focus_flow.cpp
)
target_include_directories(robustez_widgets PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(robustez_widgets PUBLIC robustez_core robustez_ui Qt6::Widgets Qt6::Svg Qt6::PrintSupport)

# The commands that open the results and report windows, and the start-up of
# the splash window, the print dialogs, help and About.
add_library(robustez_program STATIC
    ${CMAKE_CURRENT_LIST_DIR}/shell/program.h
    ${CMAKE_CURRENT_LIST_DIR}/shell/program.cpp
)
target_link_libraries(robustez_program PUBLIC robustez_widgets robustez_results robustez_extras)

add_executable(robustez ${CMAKE_CURRENT_LIST_DIR}/shell/main.cpp)
target_link_libraries(robustez PRIVATE robustez_program)
set_target_properties(robustez PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The study window's focus logic, driven by sequences of focus arrivals.
add_executable(focus_flow_test
    ${CMAKE_CURRENT_LIST_DIR}/study/focus_flow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../tests/study/focus_flow_test.cpp)
target_include_directories(focus_flow_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(focus_flow_test PRIVATE GTest::gtest_main)
gtest_discover_tests(focus_flow_test DISCOVERY_TIMEOUT 60)

# Window tests: real widgets, real focus and key events, no display needed.
set(ROBUSTEZ_WINDOW_TESTS
    shell/main_form_test
    study/study_window_test
    study/file_commands_test
    study/paste_test
)
foreach(test_path IN LISTS ROBUSTEZ_WINDOW_TESTS)
    get_filename_component(test_name ${test_path} NAME)
    add_executable(${test_name}
        ${CMAKE_CURRENT_LIST_DIR}/../tests/${test_path}.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../tests/shell/window_test_support.h
        ${CMAKE_CURRENT_LIST_DIR}/../tests/shell/window_test_support.cpp)
    target_include_directories(${test_name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests)
    target_link_libraries(${test_name} PRIVATE robustez_widgets Qt6::Test)
    add_test(NAME ${test_name} COMMAND ${test_name})
    set_tests_properties(${test_name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                 TIMEOUT 120)
endforeach()

# The results and report commands through the real study window.
add_executable(results_commands_test
    ${CMAKE_CURRENT_LIST_DIR}/../tests/calc/results_commands_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../tests/shell/window_test_support.h
    ${CMAKE_CURRENT_LIST_DIR}/../tests/shell/window_test_support.cpp)
target_include_directories(results_commands_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests)
target_link_libraries(results_commands_test PRIVATE robustez_program Qt6::Test)
add_test(NAME results_commands_test COMMAND results_commands_test)
set_tests_properties(results_commands_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                      TIMEOUT 120)

include(${CMAKE_CURRENT_LIST_DIR}/../bench/startup.cmake OPTIONAL)
