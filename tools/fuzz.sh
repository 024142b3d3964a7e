#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset: clang, AddressSanitizer,
# UndefinedBehaviorSanitizer), runs every seed input and every input of an
# earlier finding (fuzz/regressions/<target>/) once (the fuzz test preset),
# then runs each target for SECONDS on a scratch copy of its seed corpus, with
# the lexeme dictionary. Fails on any finding; the input that caused it is
# kept under build/fuzz/findings/<target>/.
# Usage: tools/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
jobs=$(nproc 2>/dev/null || echo 2)
tools/deps.sh >&2
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" >&2
if ! ctest --preset fuzz -j "$jobs" >&2; then
  echo "fuzz: a seed input or the input of an earlier finding fails" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in eval_statement replace_line command_line; do
  mkdir -p "$scratch/$target" "build/fuzz/findings/$target"
  cp fuzz/corpus/"$target"/* "$scratch/$target/"
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
