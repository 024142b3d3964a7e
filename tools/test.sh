#!/usr/bin/env bash
# Installs what the tests need (tools/deps.sh), then builds zorm three times
# (Release with the default compiler, Release with clang, and Debug with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs the whole test
# suite and the install check (tools/install_check.sh) on each; then the
# shared library, with the install check; last the WebAssembly module and the
# JavaScript package (tools/web.sh test: the package's tests, the
# transcripts through Node, the playground in headless Chromium).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
for preset in release clang asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
  # The host projects (add_subdirectory, FetchContent) do not depend on the
  # build's compiler or flags: checked once, on the release build.
  hosts=0
  [ "$preset" = release ] && hosts=1
  ZORM_CHECK_HOSTS=$hosts tools/install_check.sh "build/$preset"
done
# The shared library: the executable and the installed tree (no tests: they
# are the release build's, on the same code).
echo "== shared"
cmake -S . -B build/shared -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DZORM_TESTS=OFF >/dev/null
cmake --build build/shared -j "$jobs"
ZORM_CHECK_HOSTS=0 tools/install_check.sh build/shared
echo "== web"
tools/web.sh test
