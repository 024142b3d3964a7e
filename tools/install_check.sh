#!/usr/bin/env bash
# Installs zorm from a build directory into a temporary prefix and checks what
# lands there: the executable runs, the man page renders without warnings,
# the completions answer (bash) and parse (zsh, fish, where installed), every
# installed file names the one version, the examples in examples/embed (C++)
# and examples/embed_c (C) build against the installed library (CMake
# package and pkg-config) and print the same, the library keeps its promises
# to an embedder (tests/install/embed_check.cpp), the archive links into a
# shared object, the shared library exports the interface alone, and a host
# project with targets of its own takes zorm in from its source tree.
# Usage: tools/install_check.sh [build-dir]   (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zorm-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

fail() {
  echo "install check: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

bin=$prefix/bin/zorm
page=$prefix/share/man/man1/zorm.1
completions=(share/bash-completion/completions/zorm share/zsh/site-functions/_zorm
             share/fish/vendor_completions.d/zorm.fish)
for f in bin/zorm share/man/man1/zorm.1 "${completions[@]}" include/zorm/zorm.h include/zorm/zorm_c.h \
         include/zorm/export.h include/zorm/version.h \
         lib/cmake/zorm/zormConfig.cmake lib/cmake/zorm/zormConfigVersion.cmake lib/pkgconfig/zorm.pc; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
compgen -G "$prefix/lib/libzorm.*" >/dev/null || fail "no library in lib/"

# The installed binary runs, in both reading modes.
got=$(printf '1 + 2 * 3\nx = 2 ^ 10\nx / 4\n' | "$bin" dw 2>/dev/null)
[ "$got" = $'> 7\n> 256' ] || fail "standard-input mode printed: $got"
got=$("$bin" c 'sqrt 16 + 1')
[ "$got" = "> 5" ] || fail "command-line mode printed: $got"

# One version: the banner's, the man page's, the headers', the CMake
# package's and zorm.pc's.
version=$("$bin" </dev/null 2>/dev/null | sed -n 's/^\*\* Vorpex\. v//p')
[ -n "$version" ] || fail "the banner names no version"
grep -q "^\.TH ZORM 1 \"[^\"]*\" \"Vorpex $version\"" "$page" || fail "the man page is not of version $version"
grep -q "^#define ZORM_VERSION \"$version\"$" "$prefix/include/zorm/version.h" ||
  fail "zorm/version.h is not of version $version"
got=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --modversion zorm)
[ "$got" = "$version" ] || fail "zorm.pc says version $got, the banner $version"

# The man page renders, without a warning from man or from groff.
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns: $warnings"
warnings=$(groff -ww -z -man "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns: $warnings"
rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS MODES OPTIONS "EXIT STATUS" DIAGNOSTICS; do
  grep -q "^$section" <<<"$rendered" || fail "the rendered page has no $section section"
done

# The bash completion completes options, and file names after --eval-file;
# the others parse (tests/completion asks all three the same questions).
got=$(cd "$prefix" && bash -c '
  source "$1"
  complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zorm; echo "[${COMPREPLY[*]}]"; }
  complete_line zorm --eval-f
  complete_line zorm --eval-file share/bash-c
  complete_line zorm c --he' _ "$prefix/${completions[0]}")
[ "$got" = $'[--eval-file]\n[share/bash-completion]\n[]' ] || fail "bash completion answered: $got"
if command -v zsh >/dev/null; then zsh -n "$prefix/${completions[1]}" || fail "zsh -n ${completions[1]}"; fi
if command -v fish >/dev/null; then fish -n "$prefix/${completions[2]}" || fail "fish -n ${completions[2]}"; fi

# The embedding example, an external CMake project, finds the installed
# package (at this version) and runs; a program built with pkg-config's flags
# links too. Built with the compiler of the build, in the sanitizer build
# with its runtimes (the installed package carries them).
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
cmake -S examples/embed -B "$scratch/embed" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "examples/embed does not configure against the installed package"
cmake --build "$scratch/embed" >/dev/null || fail "examples/embed does not build against the installed package"
got=$("$scratch/embed/embed" '1+2')
[ "$got" = "3" ] || fail "embed '1+2' printed: $got"
got=$("$scratch/embed/embed" 'x = 2' 'pi * x^2' 'x +' 2>&1 >/dev/null) && fail "embed exits 0 after a failure"
[ "$got" = $'   ^\n{Parsing failed on pos 3}' ] || fail "embed reported: $got"
mkdir "$scratch/wanted"
cat >"$scratch/wanted/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.20)
project(wanted LANGUAGES NONE)
find_package(zorm $version EXACT REQUIRED)
find_package(zorm ${version%%.*} REQUIRED)
foreach(unwanted 9999 ${version%%.*}.9999 ${version%%.*}.0)
  find_package(zorm \${unwanted} QUIET)
  if(zorm_FOUND AND NOT unwanted VERSION_EQUAL "$version")
    message(FATAL_ERROR "version \${unwanted} found")
  endif()
endforeach()
EOF
cmake -S "$scratch/wanted" -B "$scratch/wanted/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null ||
  fail "find_package(zorm $version EXACT) or find_package(zorm ${version%%.*}) fails, or another version is found"
# shellcheck disable=SC2046
"$compiler" -std=c++17 examples/embed/embed.cpp -o "$scratch/embed-pc" \
  $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs zorm) -Wl,-rpath,"$prefix/lib" ||
  fail "examples/embed does not build with pkg-config's flags"
got=$("$scratch/embed-pc" 'sqrt 16 + 1')
[ "$got" = "5" ] || fail "embed built with pkg-config printed: $got"

# The C example, compiled by the C compiler of the build's family, prints
# what the C++ example prints, on standard output and standard error, with
# the same status, through the CMake package and through pkg-config.
case "$compiler" in
  *clang++*) c_compiler=${compiler/clang++/clang} ;;
  *g++*) c_compiler=${compiler/g++/gcc} ;;
  *) c_compiler=$(dirname "$compiler")/cc ;;
esac
pc_flags() { PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config "$@" zorm; }
cmake -S examples/embed_c -B "$scratch/embed_c" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$c_compiler" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "examples/embed_c does not configure against the installed package"
cmake --build "$scratch/embed_c" >/dev/null || fail "examples/embed_c does not build against the installed package"
# shellcheck disable=SC2046
"$c_compiler" -std=c99 examples/embed_c/embed_c.c -o "$scratch/embed_c-pc" $(pc_flags --cflags --libs) \
  -Wl,-rpath,"$prefix/lib" || fail "examples/embed_c does not build with pkg-config's flags"
statements=('1+2' 'x = 2' 'pi * x^2' 'x +' 'print 3 * x' 'y - 1' '2 $ 2' '1 / 3' '0 / 0' '' '@vars'
            'factorial 22' '-2^2' '@exit' 'x')
run_example() {
  local status=0
  "$@" "${statements[@]}" >"$scratch/example.out" 2>"$scratch/example.err" || status=$?
  printf '%s\n--\n%s\n--\n%s' "$(cat "$scratch/example.out")" "$(cat "$scratch/example.err")" "$status"
}
wanted=$(run_example "$scratch/embed/embed")
for c_example in "$scratch/embed_c/embed_c" "$scratch/embed_c-pc"; do
  got=$(run_example "$c_example")
  [ "$got" = "$wanted" ] || fail "$c_example printed"$'\n'"$got"$'\n'"where examples/embed printed"$'\n'"$wanted"
done

# The promises to an embedder, from outside: a stream that throws, unseeded
# calculators at once in threads, the footprint after a large statement.
# shellcheck disable=SC2046
"$compiler" -std=c++17 tests/install/embed_check.cpp -o "$scratch/embed_check" -pthread $(pc_flags --cflags --libs) \
  -Wl,-rpath,"$prefix/lib" || fail "tests/install/embed_check.cpp does not build against the installed library"
"$scratch/embed_check" || fail "the installed library does not keep its promises (above)"

# The archive links into a shared object (a plugin, say), which a program
# then loads.
if [ -f "$prefix/lib/libzorm.a" ]; then
  mkdir "$scratch/plugin"
  cat >"$scratch/plugin/plugin.c" <<'EOF'
#include <string.h>
#include <zorm/zorm_c.h>
int plugin_text(const char* statement, char* text, size_t capacity) {
  zorm_calculator* calc;
  zorm_result r;
  if (zorm_new(NULL, &calc) != ZORM_STATUS_OK) return -1;
  zorm_result_init(&r);
  r.text.data = text;
  r.text.capacity = capacity;
  zorm_evaluate(calc, statement, strlen(statement), &r);
  zorm_free(calc);
  return r.kind;
}
EOF
  cat >"$scratch/plugin/main.c" <<'EOF'
#include <stdio.h>
int plugin_text(const char* statement, char* text, size_t capacity);
int main(int argc, char** argv) {
  char text[64];
  return argc == 2 && plugin_text(argv[1], text, sizeof text) == 0 && puts(text) >= 0 ? 0 : 1;
}
EOF
  # shellcheck disable=SC2046
  "$c_compiler" -shared -fPIC "$scratch/plugin/plugin.c" -o "$scratch/plugin/libplugin.so" $(pc_flags --cflags --libs) ||
    fail "the installed archive does not link into a shared object"
  # shellcheck disable=SC2046
  "$c_compiler" "$scratch/plugin/main.c" -o "$scratch/plugin/main" -L"$scratch/plugin" -lplugin \
    -Wl,-rpath,"$scratch/plugin" $(pc_flags --libs-only-other) || fail "a program does not link the plugin"
  got=$("$scratch/plugin/main" '2 ^ 10')
  [ "$got" = "1024" ] || fail "the plugin printed: $got"
  echo "install check: lib/libzorm.a is $(stat -c %s "$prefix/lib/libzorm.a") bytes"
fi

# The shared library exports the interface alone: the C functions and the
# members of zorm::Calculator and zorm::version.
if [ -f "$prefix/lib/libzorm.so" ]; then
  exported=$(nm -D --defined-only "$prefix/lib/libzorm.so" | awk '{print $3}' | c++filt)
  others=$(grep -v -E '^(zorm_[a-z_]+|zorm::version\(\)|zorm::Calculator::(~?Calculator|operator=|[a-z_]+)(\[abi:cxx11\])?\(.*)$' \
           <<<"$exported" || true)
  [ -z "$others" ] || fail "the shared library exports more than the interface:"$'\n'"$others"
  echo "install check: lib/libzorm.so exports $(wc -l <<<"$exported") symbols"
fi

# A host project with targets of its own, one named generate, takes zorm in
# from its source tree with add_subdirectory (built and run) and with
# FetchContent (configured): zorm adds zorm::zorm and its helper targets
# alone, puts only include/ on the host's include path, and installs nothing.
# The host projects take zorm in from its source tree, whatever the build:
# tools/test.sh asks for them once (ZORM_CHECK_HOSTS=0 leaves them out).
if [ "${ZORM_CHECK_HOSTS:-1}" = 0 ]; then
  echo "install check: ok ($prefix; host projects not checked here)"
  exit 0
fi
mkdir "$scratch/host"
cat >"$scratch/host/u.cpp" <<'EOF'
int u() { return 1; }
EOF
cat >"$scratch/host/host.cpp" <<'EOF'
#if __has_include("core/evaluator.h") || __has_include("util/io.h")
#error "zorm's src/ is on the host's include path"
#endif
#include <iostream>
#include <zorm/zorm.h>
int u();
int main(int argc, char** argv) {
  zorm::Calculator calc;
  for (int i = 1; i < argc; ++i) std::cout << calc.text(argv[i]) << '\n';
  return u() - 1;
}
EOF
host_project() {  # name, how zorm is taken in
  cat <<EOF
cmake_minimum_required(VERSION 3.21)
project($1 LANGUAGES CXX)
add_custom_target(generate COMMAND \${CMAKE_COMMAND} -E true)
add_library(u STATIC u.cpp)
$2
add_executable(host host.cpp)
target_link_libraries(host PRIVATE zorm::zorm u)
foreach(target zorm zorm_tests zorm_session zorm_terminal microbench)
  if(TARGET \${target})
    message(FATAL_ERROR "zorm made its target \${target} inside the host")
  endif()
endforeach()
if(NOT TARGET zorm_generate)
  message(FATAL_ERROR "zorm made no zorm_generate")
endif()
EOF
}
host_project host "add_subdirectory(\"$PWD\" zorm)" >"$scratch/host/CMakeLists.txt"
cmake -S "$scratch/host" -B "$scratch/host/build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=Debug >/dev/null ||
  fail "a host project does not configure with add_subdirectory(zorm)"
cmake --build "$scratch/host/build" --target host -j2 >/dev/null || fail "the host project does not build"
got=$("$scratch/host/build/host" '1+2' 'x = 2' 'x * 3')
[ "$got" = $'3\n()\n6' ] || fail "the host project printed: $got"
cmake --install "$scratch/host/build" --prefix "$scratch/host/installed" >/dev/null
[ ! -e "$scratch/host/installed" ] || fail "zorm installs files inside a host: $(find "$scratch/host/installed" -type f)"
mkdir "$scratch/fetch"
cp "$scratch/host/u.cpp" "$scratch/host/host.cpp" "$scratch/fetch/"
host_project fetch "include(FetchContent)
FetchContent_Declare(zorm SOURCE_DIR \"$PWD\")
FetchContent_MakeAvailable(zorm)" >"$scratch/fetch/CMakeLists.txt"
cmake -S "$scratch/fetch" -B "$scratch/fetch/build" -DCMAKE_CXX_COMPILER="$compiler" >/dev/null ||
  fail "a host project does not configure with FetchContent"

echo "install check: ok ($prefix)"
