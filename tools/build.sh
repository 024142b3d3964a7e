#!/usr/bin/env bash
# Builds the zorm executable alone, in Release, at build/release/zorm, with
# what running it needs (a C++20 compiler, CMake, make; libedit for line
# editing when it is there), installed first where apt is. The folder is the
# release preset's, configured by it: tools/test.sh builds the rest of it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh build >&2
cmake --preset release >/dev/null
cmake --build --preset release --target zorm -j "$(nproc 2>/dev/null || echo 2)" >&2
