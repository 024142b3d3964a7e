#!/usr/bin/env bash
# Builds the WebAssembly module with emscripten (build/wasm) and puts it into
# the JavaScript package (web/zorm.wasm beside web/zorm.mjs); installs what
# that needs first (tools/deps.sh web).
#
# Usage: tools/web.sh [build|test|serve]
#   build  (the default) the module and the package
#   test   also the package's tests in Node (web/test/*.test.mjs, the pack
#          and install check among them), the transcripts through Node
#          (tests/e2e/run_e2e_wasm.py) and the page in headless Chromium
#          (web/test/browser.mjs), which skips itself without Chromium
#   serve  the playground on http://127.0.0.1:8022/ (python3 -m http.server)
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-build}
case $what in
  build | test | serve) ;;
  *)
    echo "usage: tools/web.sh [build|test|serve]" >&2
    exit 2
    ;;
esac

tools/deps.sh web
# Debian's emscripten runs its optimiser with the system's Node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
jobs=$(nproc 2>/dev/null || echo 2)

echo "== wasm"
emcmake cmake -S . -B build/wasm -DCMAKE_BUILD_TYPE=Release -DZORM_PROGRAM=OFF -DZORM_INSTALL=OFF \
  -DZORM_TESTS=OFF -DZORM_BENCH=OFF -DZORM_LINE_EDITING=OFF -DZORM_STATIC=OFF \
  -DCMAKE_CXX_FLAGS=-fwasm-exceptions -DCMAKE_EXE_LINKER_FLAGS=-fwasm-exceptions >/dev/null
cmake --build build/wasm --target zorm_wasm -j "$jobs"
cp build/wasm/zorm.wasm web/zorm.wasm
raw=$(wc -c <web/zorm.wasm)
gzipped=$(gzip -9 -c web/zorm.wasm | wc -c)
echo "web/zorm.wasm: $raw bytes, $gzipped gzipped"

case $what in
  test)
    echo "== web: package"
    (cd web && npm test --silent)
    echo "== web: transcripts"
    python3 tests/e2e/run_e2e_wasm.py tests/e2e/*.t
    echo "== web: browser"
    # It compares the page with the native program.
    [ -x build/release/zorm ] || tools/build.sh
    node web/test/browser.mjs build/release/zorm
    ;;
  serve)
    echo "http://127.0.0.1:8022/"
    exec python3 -m http.server --bind 127.0.0.1 --directory web 8022
    ;;
esac
