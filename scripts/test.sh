#!/usr/bin/env bash
# Sets up, builds and runs every test of Robustez: the release build with all
# tests, the windows and the report tool again under a decimal comma, then the
# core tests again under AddressSanitizer and UBSan, then the
# core, its tests and the report tool built for Windows and run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"
# The windows and the report tool once more under a decimal comma: the program
# takes its separator from the locale's name (LC_ALL, LC_NUMERIC, LANG), so
# the locale need not be installed.
LC_ALL=es_ES.UTF-8 QT_QPA_PLATFORM=offscreen \
    ctest --test-dir build --output-on-failure -j"$jobs" -L decimal_separator

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DROBUSTEZ_SANITIZE=ON -DROBUSTEZ_CORE_ONLY=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"

bash scripts/windows_test.sh
