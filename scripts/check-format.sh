#!/usr/bin/env bash
# Applies .clang-format to every C++ file in the tree and fails when that
# changed anything (run it, then commit the result).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format -i
git diff --exit-code --stat -- '*.cpp' '*.h'
