#!/usr/bin/env bash
# Checks for the tools and libraries that zorm needs, and installs what is
# missing from Debian's packages where apt is there. Elsewhere it lists what is
# missing and fails only when something needed is; when everything is there
# it does nothing.
#
# Usage: tools/deps.sh [build|test|web]
#   build  what building and running the zorm executable needs: a C++20
#          compiler, CMake, make; libedit (with pkg-config) for line editing
#          at the terminal, which the build does without
#   web    what the WebAssembly module and the JavaScript package need
#          (tools/web.sh): emscripten, Node.js and npm; for the browser test
#          Chromium and the package's own development modules (npm ci in
#          web/: playwright-core, which drives the system's Chromium), which
#          the test does without
#   test   (the default) also what building and running the whole test suite
#          needs: GoogleTest, Google Benchmark, Python 3, clang with its sanitizer and fuzzer
#          runtimes, man and groff; tmux, zsh and fish for the terminal and
#          completion tests, which skip themselves without them
set -euo pipefail
profile=${1:-test}
case $profile in
  build | test | web) ;;
  *)
    echo "usage: tools/deps.sh [build|test|web]" >&2
    exit 2
    ;;
esac

cxx=${CXX:-c++}
probe_dir=$(mktemp -d "${TMPDIR:-/tmp}/zorm-deps.XXXXXX")
trap 'rm -rf "$probe_dir"' EXIT

# Compiles (and links) a small program: probe COMPILER SOURCE [FLAGS...].
probe() {
  local compiler=$1 source=$2
  shift 2
  printf '%s\n' "$source" >"$probe_dir/probe.cpp"
  "$compiler" "$probe_dir/probe.cpp" -o "$probe_dir/probe" "$@" >/dev/null 2>&1
}
have() { command -v "$1" >/dev/null 2>&1; }

# One requirement: whether it is there, the Debian packages that provide it,
# and whether the profile can do without it.
check() {
  local what=$1 needed=$2 packages=$3
  shift 3
  if "$@"; then return 0; fi
  missing_what+=("$what")
  missing_packages+=($packages)
  [ "$needed" = needed ] && missing_needed+=("$what")
  return 0
}

requirements() {
  if [ "$profile" = web ]; then
    check cmake needed cmake have cmake
    check make needed make have make
    check python3 needed python3 have python3
    check "emscripten (emcc)" needed "emscripten node-acorn" have emcc
    check "acorn for emscripten's optimiser" needed node-acorn test -d /usr/share/nodejs/acorn
    check node needed nodejs have node
    check npm needed npm have npm
    check chromium optional chromium have chromium
    return 0
  fi
  check "a C++20 compiler ($cxx)" needed g++ probe "$cxx" '#include <span>
int main() { return std::span<int>().size(); }' -std=c++20
  check cmake needed cmake have cmake
  check make needed make have make
  local editing=optional
  [ "$profile" = test ] && editing=needed
  check pkg-config $editing pkg-config have pkg-config
  check libedit $editing libedit-dev pkg-config --exists libedit
  [ "$profile" = test ] || return 0
  check GoogleTest needed libgtest-dev probe "$cxx" '#include <gtest/gtest.h>
TEST(T, T) {}' -std=c++20 -lgtest -lgtest_main -pthread
  check "Google Benchmark" needed libbenchmark-dev probe "$cxx" '#include <benchmark/benchmark.h>
static void B(benchmark::State& s) { for (auto _ : s) {} }
BENCHMARK(B);
BENCHMARK_MAIN();' -std=c++20 -lbenchmark -pthread
  check python3 needed python3 have python3
  check "clang++ with its sanitizer and fuzzer runtimes" needed "clang libclang-rt-14-dev" \
    probe clang++ 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    -fsanitize=fuzzer,address,undefined
  check man needed man-db have man
  check groff needed groff-base have groff
  check tmux optional tmux have tmux
  check zsh optional zsh have zsh
  check fish optional fish have fish
}

scan() {
  missing_what=() missing_packages=() missing_needed=()
  requirements
}

# The package's development modules, from its lock file (the test skips
# the browser without them).
web_modules() {
  [ "$profile" = web ] || return 0
  local web
  web="$(dirname "$0")/../web"
  [ -d "$web/node_modules/playwright-core" ] && return 0
  have npm || return 0
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error >&2) ||
    echo "tools/deps.sh: npm ci in web/ failed: the browser test will skip" >&2
}

scan
if [ ${#missing_what[@]} -eq 0 ]; then
  web_modules
  exit 0
fi

if have apt-get && have dpkg; then
  echo "installing: ${missing_packages[*]}" >&2
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if have sudo; then
      sudo=sudo
    else
      echo "tools/deps.sh: not root and no sudo: install ${missing_packages[*]}" >&2
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [ "$(id -u)" -eq 0 ] || [ -n "$sudo" ]; then
    $sudo apt-get update -qq >&2 || true
    $sudo apt-get install -y -qq --no-install-recommends "${missing_packages[@]}" >&2 || true
  fi
  scan
  if [ ${#missing_what[@]} -eq 0 ]; then
    web_modules
    exit 0
  fi
fi

for what in "${missing_what[@]}"; do
  echo "tools/deps.sh: missing: $what" >&2
done
if [ ${#missing_needed[@]} -gt 0 ]; then
  echo "tools/deps.sh: needed ($profile): ${missing_needed[*]}" >&2
  exit 1
fi
web_modules
echo "tools/deps.sh: going on without them" >&2
