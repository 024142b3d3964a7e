#!/usr/bin/env bash
# Builds the zorm executable alone, in Release, at build/release/zorm, with
# what running it needs (a C++20 compiler, CMake, make; libedit for line
# editing when it is there), installed first where apt is.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh build >&2
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DZORM_TESTS=AUTO >/dev/null
cmake --build build/release --target zorm -j "$(nproc 2>/dev/null || echo 2)" >&2
