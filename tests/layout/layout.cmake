# The dependency rules of the sources, checked on every test run. The core
# and the report tool's own library (robustez-informe links no Qt) are
# followed for Qt headers.
get_target_property(robustez_qt_free_sources robustez_core SOURCES)
if(TARGET robustez_tool)
    get_target_property(robustez_tool_sources robustez_tool SOURCES)
    list(APPEND robustez_qt_free_sources ${robustez_tool_sources} src/reports/informe_text_main.cpp)
endif()
add_test(NAME source_dependencies
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
                 "-DCORE_SOURCES=${robustez_qt_free_sources}"
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/layout/check_dependencies.cmake)
