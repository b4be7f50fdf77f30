# libFuzzer target for the study-file codec and the text report. Configure
# with clang, e.g.
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DROBUSTEZ_CORE_ONLY=ON -DROBUSTEZ_FUZZ=ON
#   cmake --build build-fuzz --target fuzz_study
#   build-fuzz/fuzz_study -max_total_time=180 build-fuzz/corpus tests/fuzz/corpus
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ROBUSTEZ_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
endif()

set(ROBUSTEZ_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)

# The core again, instrumented for coverage and the sanitizers.
get_target_property(robustez_fuzz_core_sources robustez_core SOURCES)
add_library(robustez_core_fuzz STATIC ${robustez_fuzz_core_sources})
target_include_directories(robustez_core_fuzz PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(robustez_core_fuzz PRIVATE ${ROBUSTEZ_FUZZ_FLAGS})

add_executable(fuzz_study tests/fuzz/fuzz_study.cpp)
target_compile_options(fuzz_study PRIVATE ${ROBUSTEZ_FUZZ_FLAGS})
target_link_options(fuzz_study PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_study PRIVATE robustez_core_fuzz)
