#!/usr/bin/env python3
"""Runs transcript files against the real zorm binary.

usage: run_e2e.py BINARY FILE.t [FILE.t ...]

Each case runs BINARY in a fresh temporary directory (its working directory)
with an environment of PATH and LC_ALL=C only, and compares standard output,
standard error and the exit status byte for byte. A case that runs longer
than 20 s fails. The last line printed is "N passed, N failed"; the exit
status is 1 when a case failed, 2 when a transcript cannot be read.

Transcript format (one case after another):

  # comment             comment lines and blank lines are ignored
  === name              starts a case
  $ words...            arguments after the program name, split like a shell
                        does (shlex.split: '' is an empty word); no $ line
                        means no arguments
  $\\ words...           the same, but backslashes are kept by the splitting
                        and each word is then decoded with Python escapes
                        (\\t, \\r, \\x41, \\\\)
  @argv0 NAME           argument 0 of the process (default: BINARY as given)
  < text                a line of standard input
  > text                a line of expected standard output
  2> text               a line of expected standard error
  ? N                   expected exit status (default 0)
  @banner               the six lines of the welcome banner (with the version of
                        the project's CMakeLists.txt), at this point of the
                        expected standard output
  @help                 the 39 lines of the help page, at this point of the
                        expected standard output
  @merge                standard error goes into the standard-output pipe
                        (2>&1); all expected output is then written with >
                        lines, in the order in which it must appear
  @file NAME            creates NAME in the working directory before the run,
  | text                with these lines as its content
  @dir NAME             creates the directory NAME
  @stdin-dir            standard input is a directory instead of a pipe
  @malformed WORD       the report of a malformed command line whose offending
                        word is WORD (split like a shell word: '' is the empty
                        word), at this point of the expected standard error
                        (of the output with @merge): "Failed on argument
                        `WORD'!" (no such line for the empty word), "Incorrect
                        runtime arguments ! Run 'ARGV0 --help' to see help.",
                        an empty line, "argument N: <...>" for argument 0 and
                        every word of the $ line, and the fatal-failure line;
                        the expected exit status becomes 2. WORD must be one
                        of the words. fatal.t spells the report out in full.

Payload lines (<, >, 2>, |) may carry flags right after the directive:
"\\" decodes the text with Python escapes (\\r, \\t, \\x00, \\x80, \\\\, and
\\x20 for a trailing blank that matters), "-" appends no line feed (a last
line without one). Without "-" a line feed is appended. A directive alone on
its line ("<", ">", "2>", "|") stands for an empty line.
Examples:  < 1+2   <\\ 1\\r   <- 7   >\\ 1+2 =\\x20   2> {End of file reached}
"""

import codecs
import difflib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

TIMEOUT_S = 20

def project_version():
    """The version that project() gives in the top-level CMakeLists.txt."""
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"^project\(zorm VERSION ([0-9.]+)", f.read(), re.M)
    if not m:
        raise SystemExit("run_e2e: no project(zorm VERSION ...) in CMakeLists.txt")
    return m.group(1).encode()


BANNER = (
    b"\n"
    b"** Vorpex. v" + project_version() + b"\n"
    b"** by Vorpex developers\n"
    b"** email : vorpex@example.org\n"
    b"** web   : https://example.org/vorpex\n"
    b"\n"
)

# The help page: line 17 ends in a blank, line 23 is four blanks, and the page
# ends with an empty line.
HELP = (
    b"Vorpex - Quorlith\n"
    b"\n"
    b"usage: zorm [options] [mode]\n"
    b"\n"
    b"  modes:\n"
    b"    +command-line (c) sequentially evaluate command-line arguments\n"
    b"    +stdin        (s) evaluate expressions from standard input\n"
    b"    +replace      (r) search and replace expressions inside a line (on stdin)\n"
    b"\n"
    b"  options:  (modes c and s)\n"
    b"    --print-xp     (pxp) reprint the unevaluated expression\n"
    b"    --print-newline (pn) goto newline before printing the result\n"
    b"    --print-unit    (pu) print units, ie. stand-alone assignments\n"
    b"    --print-symbol  (ps) print a symbol before the result\n"
    b"\n"
    b"  options (mode s)\n"
    b"    --display-welcome (dw) \n"
    b"      Display the welcome message at beginning of session\n"
    b"\n"
    b"  options (modes s and r)\n"
    b"    --eval-now (en) xp1...xpN\n"
    b"      Evaluate a list of command-line expressions before processing stdin.\n"
    b"    \n"
    b"  options (mode r)\n"
    b"    --delimiters (del) <left del> <right del>\n"
    b"      Set the delimiters for mathematical expressions.\n"
    b"\n"
    b"  options  (all modes)\n"
    b"    --eval-file    (ef) <str>\n"
    b"      Silently parse a file. Useful to define a bunch of variables.\n"
    b"    --unit-string  (us) <str>\n"
    b"      Set the string representing a unit (pure side-effect evaluation)\n"
    b"    --print-errors (pe)\n"
    b"      The parser prints debug error messages on stderr\n"
    b"    --show-error   (se)\n"
    b"      The parser prints a line with ^^^ where the error is\n"
    b"    --help\n"
    b"      Print this help page.\n"
    b"\n"
)
assert HELP.count(b"\n") == 39

FATAL_MALFORMED = (
    b'Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")\n')

PAYLOAD = re.compile(r"^(2>|<|>|\|)([\\-]*)(?: (.*))?$", re.S)


class TranscriptError(Exception):
    pass


class Case:
    def __init__(self, path, line, name):
        self.path = path
        self.line = line
        self.name = name
        self.args = []
        self.args_line = 0
        self.argv0 = None
        self.stdin = b""
        # The expected output: bytes, and MalformedReport pieces that take the
        # case's arguments when it runs.
        self.stdout = []
        self.stderr = []
        self.status = 0
        self.merge = False
        self.stdin_dir = False
        self.files = []  # (kind, name, content): kind is "file" or "dir"

    def title(self):
        return f"{os.path.basename(self.path)}:{self.line}: {self.name}"

    def expected(self, argv0):
        """(stdout, stderr) as bytes, for a run whose argument 0 is argv0."""
        def render(pieces):
            return b"".join(p.render(argv0, self.args) if isinstance(p, MalformedReport) else p
                            for p in pieces)
        return render(self.stdout), render(self.stderr)


class MalformedReport:
    """The malformed-command-line report for one offending word."""

    def __init__(self, word):
        self.word = word

    def render(self, argv0, args):
        out = b""
        if self.word:
            out += b"Failed on argument `" + self.word + b"'!\n"
        out += b"Incorrect runtime arguments ! Run '" + argv0 + b" --help' to see help.\n\n"
        for i, arg in enumerate([argv0] + args):
            out += b"argument " + str(i).encode() + b": <" + arg + b">\n"
        return out + FATAL_MALFORMED


def to_bytes(text):
    return text.encode("utf-8", "surrogateescape")


def unescape(raw):
    return codecs.escape_decode(raw)[0]


def payload_bytes(flags, text):
    data = to_bytes(text or "")
    if "\\" in flags:
        data = unescape(data)
    if "-" not in flags:
        data += b"\n"
    return data


def split_escaped_words(text):
    lexer = shlex.shlex(text, posix=True)
    lexer.whitespace_split = True
    lexer.escape = ""
    return [unescape(to_bytes(w)) for w in lexer]


def parse_transcript(path):
    with open(path, "rb") as f:
        lines = f.read().decode("utf-8", "surrogateescape").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    cases = []
    case = None
    names = set()

    def fail(lineno, why):
        raise TranscriptError(f"{path}:{lineno}: {why}")

    for lineno, line in enumerate(lines, 1):
        if line == "" or line.startswith("#"):
            continue
        if line.startswith("=== "):
            name = line[4:].strip()
            if not name:
                fail(lineno, "case without a name")
            if name in names:
                fail(lineno, f"second case named {name!r}")
            names.add(name)
            case = Case(path, lineno, name)
            cases.append(case)
            continue
        if case is None:
            fail(lineno, "text before the first '=== name' line")
        m = PAYLOAD.match(line)
        if m:
            directive, flags, text = m.groups()
            data = payload_bytes(flags, text)
            if directive == "<":
                case.stdin += data
            elif directive == ">":
                case.stdout.append(data)
            elif directive == "2>":
                if case.merge:
                    fail(lineno, "2> in a @merge case: write all output with >")
                case.stderr.append(data)
            else:
                if not case.files or case.files[-1][0] != "file":
                    fail(lineno, "| line without @file before it")
                kind, name, content = case.files[-1]
                case.files[-1] = (kind, name, content + data)
            continue
        if line.startswith("$") and case.args_line:
            fail(lineno, f"second $ line (the first is line {case.args_line})")
        if line.startswith("$\\ ") or line == "$\\":
            case.args_line = lineno
            case.args = split_escaped_words(line[3:])
        elif line.startswith("$ ") or line == "$":
            case.args_line = lineno
            case.args = [to_bytes(w) for w in shlex.split(line[2:])]
        elif line.startswith("? "):
            try:
                case.status = int(line[2:])
            except ValueError:
                fail(lineno, f"bad exit status {line[2:]!r}")
        elif line.startswith("@argv0 "):
            case.argv0 = line[7:]
        elif line.startswith("@file "):
            case.files.append(("file", line[6:], b""))
        elif line.startswith("@dir "):
            case.files.append(("dir", line[5:], b""))
        elif line == "@merge":
            if case.stderr:
                fail(lineno, "@merge after 2> lines")
            case.merge = True
        elif line == "@banner":
            case.stdout.append(BANNER)
        elif line == "@help":
            case.stdout.append(HELP)
        elif line.startswith("@malformed ") or line == "@malformed":
            words = [to_bytes(w) for w in shlex.split(line[len("@malformed"):])]
            if len(words) != 1:
                fail(lineno, "@malformed takes one word ('' for the empty word)")
            (case.stdout if case.merge else case.stderr).append(MalformedReport(words[0]))
            case.status = 2
        elif line == "@stdin-dir":
            case.stdin_dir = True
        else:
            fail(lineno, f"unknown line {line!r}")
    for c in cases:
        if any(b"\0" in a for a in c.args):
            raise TranscriptError(f"{path}:{c.line}: NUL byte in an argument")
        for piece in c.stdout + c.stderr:
            if isinstance(piece, MalformedReport) and piece.word not in c.args:
                raise TranscriptError(f"{path}:{c.line}: @malformed names a word that is not an argument")
    return cases


def run_case(binary, exe, case):
    """Returns (stdout, stderr, status) or raises subprocess.TimeoutExpired."""
    with tempfile.TemporaryDirectory(prefix="zorm-e2e-") as tmp:
        for kind, name, content in case.files:
            target = os.path.join(tmp, name)
            if kind == "dir":
                os.makedirs(target, exist_ok=True)
            else:
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, "wb") as f:
                    f.write(content)
        argv0 = to_bytes(case.argv0 if case.argv0 is not None else binary)
        env = {"PATH": os.environ.get("PATH", os.defpath), "LC_ALL": "C"}
        stdin_fd = None
        feed = {"input": case.stdin}
        try:
            if case.stdin_dir:
                stdin_fd = os.open(tmp, os.O_RDONLY | os.O_DIRECTORY)
                feed = {"stdin": stdin_fd}
            proc = subprocess.run(
                [argv0] + case.args,
                executable=exe,
                cwd=tmp,
                env=env,
                **feed,
                stdout=subprocess.PIPE,
                stderr=subprocess.STDOUT if case.merge else subprocess.PIPE,
                timeout=TIMEOUT_S,
            )
        finally:
            if stdin_fd is not None:
                os.close(stdin_fd)
        return proc.stdout, proc.stderr or b"", proc.returncode


def repr_lines(data):
    # split after each line feed only, so a carriage return shows inside its line
    return [repr(l) for l in re.findall(rb"[^\n]*\n|[^\n]+$", data)]


def show_diff(label, want, got):
    want_lines = repr_lines(want)
    got_lines = repr_lines(got)
    print(f"  {label} differs (- expected, + actual):")
    for l in difflib.unified_diff(want_lines, got_lines, "expected", "actual", lineterm="", n=3):
        if l.startswith(("---", "+++")):
            continue
        print("    " + l)


def check(binary, exe, case):
    want_out, want_err = case.expected(to_bytes(case.argv0 if case.argv0 is not None else binary))
    try:
        out, err, status = run_case(binary, exe, case)
    except subprocess.TimeoutExpired:
        print(f"FAIL {case.title()}")
        print(f"  timed out after {TIMEOUT_S} s")
        return False
    except OSError as e:
        print(f"FAIL {case.title()}")
        print(f"  cannot run: {e}")
        return False
    ok = out == want_out and err == want_err and status == case.status
    if ok:
        return True
    print(f"FAIL {case.title()}")
    if out != want_out:
        show_diff("merged output" if case.merge else "stdout", want_out, out)
    if err != want_err:
        show_diff("stderr", want_err, err)
    if status != case.status:
        print(f"  exit status: expected {case.status}, actual {status}")
    return False


def main(argv):
    if len(argv) < 3:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    binary, paths = argv[1], argv[2:]
    exe = os.path.abspath(binary) if os.sep in binary else shutil.which(binary)
    if not exe or not os.access(exe, os.X_OK):
        print(f"run_e2e: cannot execute {binary}", file=sys.stderr)
        return 2
    try:
        cases = [c for p in paths for c in parse_transcript(p)]
    except (OSError, TranscriptError) as e:
        print(f"run_e2e: {e}", file=sys.stderr)
        return 2
    passed = failed = 0
    for case in cases:
        if check(binary, exe, case):
            passed += 1
        else:
            failed += 1
        sys.stdout.flush()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not cases else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
