#!/usr/bin/env bash
# The side-by-side benchmark in Node (bench.mjs): installs its peers, mathjs
# and expr-eval, into bench/web/node_modules from the lock file (they are the
# benchmark's alone), builds the module when it is missing, and runs.
#
# usage: bench/web/run.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")"
[ -f ../../web/zorm.wasm ] || ../../tools/web.sh build
[ -d node_modules/mathjs ] && [ -d node_modules/expr-eval ] || npm ci --no-audit --no-fund --loglevel=error
exec node bench.mjs "$@"
