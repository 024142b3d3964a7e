#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS on a scratch copy of its seed corpus, with the
# lexeme dictionary, after running the inputs of earlier findings
# (fuzz/regressions/<target>/) once each. Fails on any finding; the input that
# caused it is kept under build/fuzz/findings/<target>/.
# Usage: tools/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
tools/deps.sh >&2
cmake -B build/fuzz -DZORM_FUZZ=ON -DZORM_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)" \
  --target fuzz_eval_statement fuzz_replace_line fuzz_command_line >&2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in eval_statement replace_line command_line; do
  mkdir -p "$scratch/$target" "build/fuzz/findings/$target"
  cp fuzz/corpus/"$target"/* "$scratch/$target/"
  # Inputs of earlier findings run once each first.
  if [ -d fuzz/regressions/"$target" ]; then
    if ! build/fuzz/fuzz/fuzz_"$target" fuzz/regressions/"$target"/* >"$scratch/$target.log" 2>&1; then
      tail -n 40 "$scratch/$target.log" >&2
      echo "fuzz_$target: a regression input fails again" >&2
      status=1
      continue
    fi
  fi
  echo "== fuzz_$target for ${seconds}s" >&2
  if ! build/fuzz/fuzz/fuzz_"$target" -dict=fuzz/zorm.dict -max_total_time="$seconds" \
      -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/findings/$target/" "$scratch/$target" \
      >"$scratch/$target.log" 2>&1; then
    tail -n 60 "$scratch/$target.log" >&2
    echo "fuzz_$target: finding, see build/fuzz/findings/$target/" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$scratch/$target.log" >&2 || true
  fi
done
exit $status
