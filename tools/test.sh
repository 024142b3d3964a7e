#!/usr/bin/env bash
# Installs what the tests need (tools/deps.sh), then builds zorm three times
# (Release with the default compiler, Release with clang, and Debug with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs the whole test
# suite and the install check (tools/install_check.sh) on each.
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
