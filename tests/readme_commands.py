#!/usr/bin/env python3
"""README.md opens as a user's first page: the title, one paragraph, then a
sh block of exactly the two commands that build and start zorm and that run
the whole test suite; and .ci/run runs those same two commands.

usage: readme_commands.py SOURCE_ROOT"""
import pathlib
import subprocess
import sys

COMMANDS = ["tools/build.sh && build/release/zorm", "tools/test.sh"]


def opening_problem(lines):
    """What is wrong with the README's opening, or None."""
    if lines[:2] != ["# zorm", ""]:
        return "it does not open with the title '# zorm' and an empty line"
    end = 2
    while end < len(lines) and lines[end] != "":
        if lines[end].startswith(("#", "```")):
            return f"line {end + 1} ends the first paragraph without an empty line"
        end += 1
    if end == 2:
        return "no paragraph follows the title"
    want = ["", "```sh", *COMMANDS, "```"]
    got = lines[end:end + len(want)]
    if got != want:
        return f"after the first paragraph (line {end + 1}) comes {got!r}, not {want!r}"
    return None


def main():
    root = pathlib.Path(sys.argv[1])
    status = 0
    problem = opening_problem((root / "README.md").read_text(encoding="utf-8").split("\n"))
    if problem:
        print(f"README.md: {problem}")
        status = 1
    ci = subprocess.run(["bash", root / ".ci/run", "--print-commands"], capture_output=True, text=True)
    if ci.returncode != 0 or ci.stdout.splitlines() != COMMANDS:
        print(f".ci/run would run {ci.stdout.splitlines()!r} (status {ci.returncode}: {ci.stderr.strip()}), "
              f"not {COMMANDS!r}")
        status = 1
    if status == 0:
        print("README.md opens with its two commands, and .ci/run runs them")
    return status


if __name__ == "__main__":
    sys.exit(main())
