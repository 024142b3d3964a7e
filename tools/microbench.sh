#!/usr/bin/env bash
# Builds the micro-benchmarks in Release (build/microbench) and runs them:
# each speed trick against the plain code it replaces, on the lines of the
# whole-program benchmark. Prints Google Benchmark's report, then the table of
# each trick against its plain version (bench/pairs.py), and writes the
# tricks' rows of the ledger, bench/ledger.md (bench/ledger.py).
# Usage: tools/microbench.sh [benchmark options...]
#   e.g. tools/microbench.sh --benchmark_filter='Lexer|NumberText'
#        tools/microbench.sh --benchmark_repetitions=3
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/microbench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZORM_TESTS=OFF -DZORM_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target microbench >/dev/null
results=$(mktemp "${TMPDIR:-/tmp}/microbench.XXXXXX.json")
trap 'rm -f "$results"' EXIT
# Repetitions interleaved at random, so that a change in the machine's load
# falls on every benchmark alike; the table takes the medians.
"$build/bench/microbench" --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$results" --benchmark_out_format=json "$@"
echo
python3 bench/pairs.py "$results"
# The tricks' rows of the ledger (bench/ledger.md), for the pairs measured.
python3 bench/ledger.py micro "$results"
echo "bench/ledger.md updated"
