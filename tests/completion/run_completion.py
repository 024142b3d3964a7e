#!/usr/bin/env python3
"""Asks a shell's completion for zorm what it offers on a table of command
lines, and checks its syntax first (bash -n, zsh -n, fish -n). The three
shells answer the same table: the same words, the same argument counts.

usage: run_completion.py bash|zsh|fish COMPLETION-SCRIPT

bash runs the script's _zorm as readline would call it; fish answers through
its own `complete -C` with the script as the command's completion file (and
a stand-in zorm on PATH); zsh
runs the script as its _zorm function with the completion system's _describe,
_files and _message standing in (they print what they are given, filtered by
the typed prefix as the completion system would). Exits 77 (skipped) when the
shell is not installed.
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile

LONG = ["+command-line", "+stdin", "+replace", "--print-xp", "--print-newline", "--print-unit",
        "--print-symbol", "--display-welcome", "--eval-now", "--delimiters", "--eval-file",
        "--unit-string", "--print_errors", "--show-error", "--help"]

# The command line typed so far (the cursor at its end) and what is offered.
# The working directory holds defs.zorm, deep/ and other.txt.
CASES = [
    ("zorm ", LONG),
    ("zorm p", ["pxp", "pn", "pu", "ps", "pe"]),
    ("zorm --pr", ["--print-xp", "--print-newline", "--print-unit", "--print-symbol", "--print_errors"]),
    ("zorm --eval-f", ["--eval-file"]),
    ("zorm d", ["dw", "del"]),
    ("zorm s r pxp --dis", ["--display-welcome"]),
    ("zorm unknown --he", ["--help"]),
    # The words an option takes: a file name, or nothing to offer.
    ("zorm ef de", ["defs.zorm", "deep"]),
    ("zorm --eval-file o", ["other.txt"]),
    ("zorm us ", []),
    ("zorm us x --show", ["--show-error"]),
    ("zorm del '[[' ", []),
    ("zorm del '[[' ']]' --un", ["--unit-string"]),
    ("zorm us --help --pr", ["--print-xp", "--print-newline", "--print-unit", "--print-symbol",
                            "--print_errors"]),
    # Statements follow, or the run ends.
    ("zorm c --he", []),
    ("zorm +command-line ", []),
    ("zorm pxp en 1 ", []),
    ("zorm --help --pr", []),
]

BASH = r'''
source "$1"
shift
COMP_WORDS=("$@")
COMP_CWORD=$(($# - 1))
_zorm
printf '%s\n' "${COMPREPLY[@]}"
'''

ZSH = r'''
_describe() {
  local name=${@[-1]} entry
  for entry in "${(@P)name}"; do
    entry=${entry%%:*}
    [[ $entry == "$PREFIX"* ]] && print -r -- "$entry"
  done
}
_files() { print -rl -- "$PREFIX"*(N) }
_message() { : }
eval "_zorm() { $(<$1) }"
shift
words=("$@")
CURRENT=$#
PREFIX=${words[-1]}
_zorm
'''

FISH = r'''
set fish_complete_path $argv[1]
complete -C $argv[2]
'''


def environment(tmp):
    """A home of its own; a zorm on PATH, since fish loads a command's
    completion file only for a command that exists."""
    env = dict(os.environ, HOME=os.path.join(tmp, "home"), PATH=os.path.join(tmp, "bin") + os.pathsep
               + os.environ.get("PATH", os.defpath))
    for var in ("CONFIG", "DATA", "STATE", "CACHE"):
        env[f"XDG_{var}_HOME"] = os.path.join(tmp, "home", var.lower())
    return env


def ask(shell, script, tmp, line):
    """What the shell offers for `line`, sorted, trailing slashes dropped."""
    if shell == "fish":
        comp = os.path.join(tmp, "fish")
        cmd = ["fish", "--no-config", "-c", FISH, comp, line]
    else:
        words = shlex.split(line) + ([""] if line.endswith(" ") else [])
        code = BASH if shell == "bash" else ZSH
        cmd = [shell, "-c", code, shell, script] + words
        if shell == "zsh":
            cmd.insert(1, "-f")
    r = subprocess.run(cmd, cwd=os.path.join(tmp, "cwd"), env=environment(tmp), capture_output=True, text=True,
                       timeout=30)
    if r.returncode not in (0, 1) or r.stderr:
        raise RuntimeError(f"{shell} failed ({r.returncode}): {r.stderr.strip()}")
    offered = [l.split("\t")[0].rstrip("/") for l in r.stdout.splitlines() if l]
    return sorted(offered)


def main(argv):
    if len(argv) != 3 or argv[1] not in ("bash", "zsh", "fish"):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    shell, script = argv[1], os.path.abspath(argv[2])
    if shutil.which(shell) is None:
        print(f"{shell} is not installed: skipped")
        return 77
    syntax = subprocess.run([shell, "-n", script], capture_output=True, text=True)
    if syntax.returncode != 0 or syntax.stderr:
        print(f"FAIL {shell} -n {script}: {syntax.stderr.strip()}")
        return 1
    failed = 0
    with tempfile.TemporaryDirectory(prefix="zorm-completion-") as tmp:
        cwd = os.path.join(tmp, "cwd")
        os.makedirs(os.path.join(cwd, "deep"))
        for name in ("defs.zorm", "other.txt"):
            open(os.path.join(cwd, name), "w").close()
        os.makedirs(os.path.join(tmp, "home"))
        os.makedirs(os.path.join(tmp, "bin"))
        with open(os.path.join(tmp, "bin", "zorm"), "w") as f:
            f.write("#!/bin/sh\n")
        os.chmod(os.path.join(tmp, "bin", "zorm"), 0o755)
        os.makedirs(os.path.join(tmp, "fish"))
        shutil.copy(script, os.path.join(tmp, "fish", "zorm.fish"))
        for line, want in CASES:
            try:
                got = ask(shell, script, tmp, line)
            except (RuntimeError, subprocess.TimeoutExpired) as e:
                print(f"FAIL {line!r}: {e}")
                failed += 1
                continue
            if got != sorted(want):
                print(f"FAIL {line!r}: offered {got}, want {sorted(want)}")
                failed += 1
    print(f"{shell}: {len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
