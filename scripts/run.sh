#!/usr/bin/env bash
# Sets up the machine, builds Robustez in build/ (Release) and starts it.
# Arguments are passed to the program (a study file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs" --target robustez
exec build/robustez "$@"
