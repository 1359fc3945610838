#!/usr/bin/env bash
# Builds the engine, core, store and model tests with the address and
# undefined-behaviour sanitizers (build-asan/) and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset sanitizer >/dev/null
cmake --build --preset sanitizer -j"$(nproc)"
ctest --preset sanitizer -j"$(nproc)"
