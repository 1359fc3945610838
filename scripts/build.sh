#!/usr/bin/env bash
# Configures and builds into build/ (build/bin is the program directory).
set -euo pipefail
cd "$(dirname "$0")/.."
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DTOMES_WERROR=ON)
if command -v clang++ >/dev/null; then extra+=(-DTOMES_FUZZ=ON); fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOMES_GUI=ON -DTOMES_BENCH=ON "${extra[@]}" >/dev/null
cmake --build build -j"$(nproc)"
