#!/usr/bin/env bash
# Installs zorm from a build directory into a temporary prefix and checks what
# lands there: the binary runs, the man page renders without warnings, the bash
# completion answers.
# Usage: tools/install_check.sh [build-dir]   (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/zorm-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

fail() {
  echo "install check: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

bin=$prefix/bin/zorm
page=$prefix/share/man/man1/zorm.1
completion=$prefix/share/bash-completion/completions/zorm
for f in "$bin" "$page" "$completion"; do
  [ -f "$f" ] || fail "not installed: ${f#"$prefix"/}"
done

# The installed binary runs, in both reading modes.
got=$(printf '1 + 2 * 3\nx = 2 ^ 10\nx / 4\n' | "$bin" dw 2>/dev/null)
[ "$got" = $'> 7\n> 256' ] || fail "standard-input mode printed: $got"
got=$("$bin" c 'sqrt 16 + 1')
[ "$got" = "> 5" ] || fail "command-line mode printed: $got"

# The man page renders, without a warning from man or from groff.
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns: $warnings"
warnings=$(groff -ww -z -man "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns: $warnings"
rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS MODES OPTIONS "EXIT STATUS" DIAGNOSTICS; do
  grep -q "^$section" <<<"$rendered" || fail "the rendered page has no $section section"
done

# The completion script completes options, and file names after --eval-file.
got=$(cd "$prefix" && bash -c '
  source "$1"
  complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zorm; echo "[${COMPREPLY[*]}]"; }
  complete_line zorm --eval-f
  complete_line zorm --eval-file share/bash-c
  complete_line zorm c --he' _ "$completion")
[ "$got" = $'[--eval-file]\n[share/bash-completion]\n[]' ] || fail "completion answered: $got"

echo "install check: ok ($prefix)"
