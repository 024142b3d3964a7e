#!/usr/bin/env bash
# Builds zorm three times (Release with gcc, Release with clang, and Debug
# with AddressSanitizer and UndefinedBehaviorSanitizer) and runs the whole
# test suite on each.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
for preset in release clang asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
  tools/install_check.sh "build/$preset"
done
