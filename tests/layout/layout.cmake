# The dependency rules of the sources, checked on every test run.
get_target_property(robustez_core_sources robustez_core SOURCES)
add_test(NAME source_dependencies
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
                 "-DCORE_SOURCES=${robustez_core_sources}"
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/layout/check_dependencies.cmake)
