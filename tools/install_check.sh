#!/usr/bin/env bash
# Installs zorm from a build directory into a temporary prefix and checks what
# lands there: the executable runs, the man page renders without warnings,
# the completions answer (bash) and parse (zsh, fish, where installed), every
# installed file names the one version, and the example in examples/embed
# builds against the installed library (CMake package and pkg-config) and
# runs.
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
for f in bin/zorm share/man/man1/zorm.1 "${completions[@]}" include/zorm/zorm.h include/zorm/version.h \
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
find_package(zorm 9999 QUIET)
if(zorm_FOUND)
  message(FATAL_ERROR "version 9999 found")
endif()
EOF
cmake -S "$scratch/wanted" -B "$scratch/wanted/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null ||
  fail "find_package(zorm $version EXACT) fails, or finds version 9999"
# shellcheck disable=SC2046
"$compiler" -std=c++17 examples/embed/embed.cpp -o "$scratch/embed-pc" \
  $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs zorm) -Wl,-rpath,"$prefix/lib" ||
  fail "examples/embed does not build with pkg-config's flags"
got=$("$scratch/embed-pc" 'sqrt 16 + 1')
[ "$got" = "5" ] || fail "embed built with pkg-config printed: $got"

echo "install check: ok ($prefix)"
