#!/usr/bin/env bash
# Builds the Release binary at build/release/zorm.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh >&2
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" >&2
