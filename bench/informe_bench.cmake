# Times robustez-informe as whole processes: --json over 10,000 study files,
# the median of one text report, and R's Dunnett analysis for scale.
#   cmake --build <dir> --target run_informe_bench
add_executable(informe_bench ${CMAKE_CURRENT_LIST_DIR}/informe_bench.cpp)
add_custom_target(run_informe_bench
    COMMAND informe_bench $<TARGET_FILE:robustez-informe>
            ${CMAKE_SOURCE_DIR}/examples/ejemplo.w1o ${CMAKE_BINARY_DIR}/informe-bench
    DEPENDS informe_bench robustez-informe
    USES_TERMINAL
    VERBATIM)
