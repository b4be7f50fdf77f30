add_executable(robustez_bench
    bench/bench_core.cpp
    bench/bench_reports.cpp
)
target_link_libraries(robustez_bench PRIVATE robustez_core benchmark::benchmark benchmark::benchmark_main)
include(${CMAKE_CURRENT_LIST_DIR}/informe_bench.cmake)
