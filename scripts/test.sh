#!/usr/bin/env bash
# Runs every test of a built tree, then the model tests again under the
# address and undefined-behaviour sanitizers (build-asan/). In CI it also
# checks that every C++ file is in the project's clang-format style and, as
# root, installs the Debian package, runs it and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
scripts/sanitize.sh
if [ "${CI:-}" = "true" ]; then
  scripts/check-format.sh
  scripts/package-test.sh
fi
