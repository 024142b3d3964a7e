#!/usr/bin/env python3
"""Hostile input and I/O faults, run against the real zorm binary.

usage: run_hostile.py BINARY

Each case writes its input to a file in a temporary directory (in chunks, so
that this script stays small), runs BINARY on it with standard output and
standard error going to files, and checks the exit status, the output and
the peak memory of the run (the child's own ru_maxrss, from wait4) against a
bound of the form base + factor * input size, where base is the peak of a
run on a one-line input.

Cases under resource limits (an address-space limit, as `ulimit -v` sets,
and a CPU-time limit) set them in the child only: the launcher runs
prlimit(1), which sets them on itself and executes zorm, so that nothing
allocates between the limit and the exec. Each such case checks the exact
bytes: the output up to the statement that ran out of memory, the notice
"{Out of memory}" or the fatal-failure line, and the status.

With ZORM_SANITIZED set in the environment (the AddressSanitizer build) the
memory bounds are widened for the sanitizer's shadow memory and quarantine,
and the line of many replace-mode pairs is shorter. The address-space cases
are skipped there, with the reason printed: the sanitizer reserves terabytes
of address space for its shadow memory before main runs, so no such limit
lets it start, and its operator new reports and dies instead of raising
std::bad_alloc. The unit tests (with a failing operator new) cover what runs
out of memory in that build.

The last line printed is "N passed, N failed, N skipped"; the exit status is
1 when a case failed.
"""

import itertools
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SANITIZED = bool(os.environ.get("ZORM_SANITIZED"))
MB = 1 << 20
# Slack on top of the base in every memory bound.
MEM_SLACK = (96 if SANITIZED else 16) * MB

ZORM = None
WORK = None
BASE_RSS = 0
failures = []
passed = 0


def env():
    e = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
    for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if key in os.environ:
            e[key] = os.environ[key]
    return e


def write_input(name, *parts):
    """Writes the byte strings of `parts` (each a byte string or an iterable of
    them) to a file; returns its path and size."""
    path = os.path.join(WORK, name)
    size = 0
    with open(path, "wb") as f:
        for chunk in itertools.chain.from_iterable([p] if isinstance(p, bytes) else p for p in parts):
            f.write(chunk)
            size += len(chunk)
    return path, size


def repeated(unit, count, step=1 << 16):
    """`unit` repeated `count` times, in chunks."""
    while count > 0:
        n = min(step, count)
        yield unit * n
        count -= n


class Result:
    def __init__(self, status, out, err, rss):
        self.status = status  # exit status, or -signal
        self.out = out
        self.err = err
        self.rss = rss  # bytes


# A process's peak-memory mark starts at its parent's mark when it forks
# (exec keeps it), so zorm is not started from this script, whose memory grows
# with the outputs it checks, but from a launcher forked at start-up while the
# script is still small.
LAUNCHER = None


def launcher_loop(requests, replies):
    for line in requests:
        argv, stdin_path, out_path, err_path = json.loads(line)
        argv[0] = shutil.which(argv[0]) or argv[0]
        stdin = os.open(stdin_path, os.O_RDONLY) if stdin_path else os.open(os.devnull, os.O_RDONLY)
        out = os.open(out_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        err = os.open(err_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        pid = os.fork()
        if pid == 0:
            os.dup2(stdin, 0)
            os.dup2(out, 1)
            os.dup2(err, 2)
            os.chdir(WORK)
            try:
                os.execve(argv[0], argv, env())
            finally:
                os._exit(127)
        for fd in (stdin, out, err):
            os.close(fd)
        _, wstatus, usage = os.wait4(pid, 0)
        replies.write(json.dumps([os.waitstatus_to_exitcode(wstatus), usage.ru_maxrss]) + "\n")
        replies.flush()


def start_launcher():
    global LAUNCHER
    req_r, req_w = os.pipe()
    rep_r, rep_w = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.close(req_w)
        os.close(rep_r)
        try:
            with os.fdopen(req_r, "r") as requests, os.fdopen(rep_w, "w") as replies:
                launcher_loop(requests, replies)
        finally:
            os._exit(0)
    os.close(req_r)
    os.close(rep_w)
    LAUNCHER = (pid, os.fdopen(req_w, "w"), os.fdopen(rep_r, "r"))


def stop_launcher():
    pid, requests, replies = LAUNCHER
    requests.close()
    replies.close()
    os.waitpid(pid, 0)


def run(args, stdin_path=None, stdout_path=None, read_out=True, address_space=None, cpu=None):
    """Runs zorm with the given words; returns a Result. `address_space`
    (bytes) and `cpu` (seconds) limit the run; no core file is written then."""
    out_path = stdout_path or os.path.join(WORK, "stdout")
    err_path = os.path.join(WORK, "stderr")
    argv = [ZORM] + list(args)
    if address_space is not None or cpu is not None:
        limits = ["--core=0"]
        if address_space is not None:
            limits.append(f"--as={address_space}")
        if cpu is not None:
            limits.append(f"--cpu={cpu}")
        argv = ["prlimit"] + limits + ["--"] + argv
    _, requests, replies = LAUNCHER
    requests.write(json.dumps([argv, stdin_path, out_path, err_path]) + "\n")
    requests.flush()
    status, maxrss = json.loads(replies.readline())
    out_text = b""
    if read_out and stdout_path is None:
        with open(out_path, "rb") as f:
            out_text = f.read()
    with open(err_path, "rb") as f:
        err_text = f.read()
    return Result(status, out_text, err_text, maxrss * 1024)


skipped = 0


def case(name, skip=None):
    """Runs the case now, or, when `skip` gives a reason, prints it instead."""
    def wrap(fn):
        global skipped
        if skip:
            skipped += 1
            print(f"skip {name}: {skip}")
            sys.stdout.flush()
            return fn
        return run_case(name, fn)
    return wrap


def run_case(name, fn):
    global passed, peak_note
    peak_note = ""
    started = time.monotonic()
    try:
        fn()
    except AssertionError as e:
        failures.append(name)
        print(f"FAIL {name}: {e}")
    except Exception as e:  # a broken case fails; the others still run
        failures.append(name)
        print(f"FAIL {name}: {type(e).__name__}: {e}")
    else:
        passed += 1
        print(f"ok   {name}{peak_note} [{time.monotonic() - started:.1f} s]")
    sys.stdout.flush()
    return fn


def expect(cond, message):
    if not cond:
        raise AssertionError(message)


def shorten(value):
    text = repr(value)
    return text if len(text) < 300 else text[:150] + " ... " + text[-150:]


def expect_eq(got, want, what):
    if got != want:
        raise AssertionError(f"{what}: got {shorten(got)}, want {shorten(want)}")


peak_note = ""


def expect_memory(r, size, factor):
    global peak_note
    bound = BASE_RSS + MEM_SLACK + factor * size
    peak_note = f" (peak {r.rss / MB:.0f} MB, bound {bound / MB:.0f} MB)"
    expect(r.rss <= bound,
           f"peak memory {r.rss / MB:.0f} MB for {size / MB:.1f} MB of input "
           f"(bound {bound / MB:.0f} MB = base {BASE_RSS / MB:.0f} + slack {MEM_SLACK / MB:.0f} + {factor} x input)")


EOF_LINE = b"{End of file reached}\n"
FATAL = re.compile(rb'Fatal error: exception Sys_error\("(.*)"\)\n\Z')


def main():
    global ZORM, WORK, BASE_RSS
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    ZORM = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="zorm-hostile-") as work:
        WORK = work
        start_launcher()
        try:
            path, _ = write_input("one", b"1\n")
            BASE_RSS = run(["dw"], path).rss
            run_cases()
        finally:
            stop_launcher()
    print(f"{passed} passed, {len(failures)} failed, {skipped} skipped")
    return 1 if failures else 0


def run_cases():
    # Memory factors: a statement is held once by the line reader (which grows
    # its block by doubling) and the parse stacks hold at most one frame (24
    # bytes) and one state per token of open nesting, also grown by doubling.
    line_factor = 4 if SANITIZED else 3
    stack_factor = 64 if SANITIZED else 40

    # Address-space limits (`ulimit -v`) that the figures below stay under;
    # none in the sanitizer build (see the top of this file).
    def limit(mb):
        return None if SANITIZED else mb * MB

    def under(mb):
        return "" if SANITIZED else f", under {mb} MB of address space"

    additions = 50_000_000 if SANITIZED else 100_000_000

    @case(f"a {2 * additions // 1_000_000} MB statement of additions{under(768)}")
    def _():
        n = additions
        path, size = write_input("long", repeated(b"1+", n), b"1\n")
        r = run(["dw"], path, address_space=limit(768))
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"> %d\n" % (n + 1), "stdout")
        expect_eq(r.err, EOF_LINE, "stderr")
        expect_memory(r, size, line_factor)

    nesting = 1_000_000
    for kind, (opener, closer) in {"()": (b"(", b")"), "[]": (b"[", b"]"), "{}": (b"{", b"}"),
                                   "| |": (b"| ", b" |")}.items():
        @case(f"a million nested {kind}{under(64)}")
        def _(opener=opener, closer=closer):
            path, size = write_input("nest", repeated(opener, nesting), b"-1",
                                              repeated(closer, nesting), b"\n")
            r = run(["dw"], path, address_space=limit(64))
            expect_eq(r.status, 0, "status")
            # Brackets pass the value through; bars take its absolute value.
            expect_eq(r.out, b"> 1\n" if opener == b"| " else b"> -1\n", "stdout")
            expect_eq(r.err, EOF_LINE, "stderr")
            expect_memory(r, size, stack_factor)

    @case("a million unclosed brackets fail at the end of the statement")
    def _():
        path, size = write_input("open", repeated(b"(", nesting), b"1\n", b"2\n")
        r = run(["dw"], path)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"> Error.\n> 2\n", "stdout")
        end = nesting + 1
        expect_eq(r.err, b" " * end + b"^\n{Parsing failed on pos %d}\n" % end + EOF_LINE, "stderr")
        expect_memory(r, size, stack_factor)

    @case("a million closing brackets fail at the first")
    def _():
        path, size = write_input("close", repeated(b")", nesting), b"\n")
        r = run(["dw"], path)
        expect_eq(r.out, b"> Error.\n", "stdout")
        expect_eq(r.err, b"^\n{Parsing failed on pos 0: `)'}\n" + EOF_LINE, "stderr")

    @case(f"10 million prefix minus tokens on one line{under(512)}")
    def _():
        n = 10_000_000
        path, size = write_input("minus", repeated(b"- ", n), b"1\n")
        r = run(["dw"], path, address_space=limit(512))
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"> 1\n" if n % 2 == 0 else b"> -1\n", "stdout")
        expect_eq(r.err, EOF_LINE, "stderr")
        expect_memory(r, size, stack_factor)

    @case("names of 1 MB: bind, use, list, and an unbound one")
    def _():
        n = MB
        name = b"n" * n
        other = b"m" * n
        path, size = write_input("names", name, b" = 5\n", name, b" + 1\n", b"@vars\n",
                                           b"1 + ", other, b"\n")
        r = run(["dw"], path)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"> 6\nBound variables:\n" + name + b" = 5\nTotal: 1 variable\n> Error.\n",
                  "stdout")
        expect_eq(r.err, b" " * 4 + b"^" * n + b"\n{Parsing failed on pos 4-%d: `%s...'}\n" % (n + 3, b"m" * 15)
                  + b"{Unbound variable: `" + b"m" * 15 + b"...'}\n" + EOF_LINE, "stderr")
        expect_memory(r, size, line_factor + 8)

    @case("100,000 distinct variables, then @vars, @clear, @vars")
    def _():
        count = 100_000
        path, size = write_input("vars", (b"v%d = %d\n" % (i, i) for i in range(count)),
                                          b"@vars\n@clear\n@vars\nv7\nv8 = 1; v8 + 1\n")
        r = run(["dw"], path)
        expect_eq(r.status, 0, "status")
        lines = r.out.split(b"\n")
        expect_eq(lines[0], b"Bound variables:", "first line")
        listed = {}
        for line in lines[1:count + 1]:
            m = re.fullmatch(rb" *(v\d+) = (\d+)", line)
            expect(m and len(line) >= 24, f"binding line {line!r}")
            listed[m.group(1)] = int(m.group(2))
        expect(listed == {b"v%d" % i: i for i in range(count)}, "listing holds every binding once")
        expect_eq(b"\n".join(lines[count + 1:]),
                  b"Total: 100000 variables\nBound variables:\nTotal: 0 variable\n> Error.\n> 2\n",
                  "after the listing")
        expect_eq(r.err, b"^^\n{Parsing failed on pos 0-1: `v7'}\n{Unbound variable: `v7'}\n" + EOF_LINE,
                  "stderr")
        expect_memory(r, size, 64)

    out_of_memory_cases(limit)

    @case("NUL, CR, bytes from 0x80 and invalid UTF-8 are lexical failures")
    def _():
        lines = [b"\x00", b"1\r", b"\r", b"\x80", b"\xff", b"\xc3\x28", b"\xc3\xa9", b"1 + \x00",
                 b"x\x00 = 1", b"\xef\xbb\xbf1", b"1 $ \x00"]
        path, _ = write_input("bytes", b"\n".join(lines), b"\n// \x00\xff\r\n2\n")
        r = run(["dw"], path)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"> Error.\n" * len(lines) + b"> 2\n", "stdout")
        expect_eq(r.err, EOF_LINE, "stderr: lexical failures are not reported")

    @case("replace mode copies NUL, CR and high bytes around a statement")
    def _():
        path, _ = write_input("rbytes", b"a\x00[[1+1]]\xff\xfe\r\n\x80[[\x00]]\x00\n")
        r = run(["r"], path)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"a\x002\xff\xfe\r\n\x80Error.\x00\n", "stdout")
        expect_eq(r.err, EOF_LINE, "stderr")

    @case("replace mode: a million pairs on one line")
    def _():
        # The sanitizer checks the whole range given to each backward search
        # of a line, so there every pass costs the length of the line.
        n = 100_000 if SANITIZED else 1_000_000
        path, size = write_input("pairs", repeated(b"[[1]]", n), b"\n", repeated(b"[[2]]", n))
        r = run(["r"], path)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"1" * n + b"\n" + b"2" * n + b"\n", "stdout")
        expect_eq(r.err, EOF_LINE, "stderr")
        expect_memory(r, size, line_factor + 2)

    @case("replace mode: result texts that keep forming pairs stop at the pass bound")
    def _():
        path, _ = write_input("endless", b"ab\n(x=1)\n")
        r = run(["r", "del", "", ""], path)
        expect_eq(r.status, 0, "status")
        lines = r.out.split(b"\n")
        expect_eq(len(lines), 3, "lines written")
        k = (len(lines[0]) - 2) // 2
        expect(k > 0 and lines[0] == b"ab" + b"()" * k, f"first line {lines[0][:40]!r}")
        notice = b"{Replacement stopped after %d passes: the results keep forming new delimiters}\n" % k
        expect(r.err.startswith(notice), f"stderr {r.err[:200]!r}")
        expect(r.err.endswith(EOF_LINE), f"stderr {r.err[-200:]!r}")

    @case("numbers of 10,000 digits")
    def _():
        d = 10_000
        cases = [
            (b"9" * d, b"inf"),
            (b"1" + b"0" * d, b"inf"),
            (b"-" + b"9" * d, b"-inf"),
            (b"0." + b"0" * (d - 1) + b"1", b"0"),
            (b"0" * d + b"7", b"7"),
            (b"1." + b"0" * d, b"1"),
            (b"3." + b"3" * d, b"3.33333333333"),
            (b"9" * d + b" - " + b"9" * d, b"NaN"),
            (b"0." + b"0" * 300 + b"1" + b"0" * (d - 302), b"1e-301"),
        ]
        path, _ = write_input("digits", b"".join(text + b"\n" for text, _ in cases))
        r = run(["dw"], path)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"".join(b"> " + want + b"\n" for _, want in cases), "stdout")
        expect_eq(r.err, EOF_LINE, "stderr")

    @case("a binary file as standard input")
    def _():
        with open(ZORM, "rb") as f:
            size = os.fstat(f.fileno()).st_size
        r = run(["dw"], ZORM)
        expect_eq(r.status, 0, "status")
        expect(r.err.endswith(EOF_LINE), f"stderr ends with {r.err[-80:]!r}")
        # A line of the binary may also happen to be "@h" and a byte that
        # begins no token: the help command has run when the byte fails.
        for line in r.out.split(b"\n")[:-1]:
            expect(re.fullmatch(rb"> (Error\.|NaN|-?inf|-?[0-9][0-9.e+-]*)|Commands: vars, clear, exit\.", line),
                   f"stdout line {line!r}")
        expect_memory(r, size, line_factor)
        # Replace mode writes one line per line read.
        with open(ZORM, "rb") as f:
            data = f.read()
        lines = data.count(b"\n") + (0 if data.endswith(b"\n") else 1)
        del data
        r = run(["r"], ZORM)
        expect_eq(r.status, 0, "status in replace mode")
        expect_eq(r.out.count(b"\n"), lines, "lines written in replace mode")

    # Inputs of fuzzing findings (their undefined behaviour shows only under
    # clang's sanitizers; tools/fuzz.sh replays them there).

    @case("fuzz findings: factorial of a huge negative, empty input")
    def _():
        path, _ = write_input("fact", b"factorial -100000000000000000000\nfactorial -" + b"9" * 300 + b"\n"
                                      b"factorial -1\nfactorial -0\n")
        r = run(["dw"], path)
        expect_eq((r.status, r.out, r.err), (0, b"> Error.\n> Error.\n> Error.\n> 1\n", EOF_LINE),
                  "status, stdout and stderr")
        path, _ = write_input("empty", b"")
        r = run([], path)
        expect_eq((r.status, r.out.count(b"\n"), r.err), (0, 6, EOF_LINE), "status, banner lines and stderr")

    # I/O faults.

    @case("standard output on a full disk: fatal failure, status 2")
    def _():
        path, _ = write_input("two", b"1+1\n2+2\n")
        for words in (["dw"], [], ["c", "1+1"], ["--help"], ["r"], ["en", "3"]):
            r = run(words, path, stdout_path="/dev/full")
            expect_eq(r.status, 2, f"status with words {words}")
            m = FATAL.search(r.err)
            expect(m and m.group(1) == b"No space left on device", f"stderr with words {words}: {r.err!r}")
            expect_eq(r.err.count(b"Fatal error"), 1, "fatal lines")

    @case("standard output closed: fatal failure, status 2")
    def _():
        path, _ = write_input("two", b"1+1\n")
        with open(path, "rb") as stdin, open(os.path.join(WORK, "err"), "wb") as err:
            proc = subprocess.run([ZORM, "dw"], stdin=stdin, stdout=err, stderr=err, env=env(),
                                  pass_fds=(), close_fds=True, preexec_fn=lambda: os.close(1))
        with open(os.path.join(WORK, "err"), "rb") as f:
            text = f.read()
        expect_eq(proc.returncode, 2, "status")
        m = FATAL.search(text)
        expect(m and m.group(1) == b"Bad file descriptor", f"stderr {text!r}")

    @case("standard error closed, full or failing: every result written, then status 2")
    def _():
        write_input("defs", b"x = 1\n@bogus\nq\n")
        # (words, standard input, standard output, whether anything is lost)
        rows = (
            (["c", "y", "2"], None, b"> Error.\n> 2\n", True),
            (["c", "@bogus", "1"], None, b"> 1\n", True),
            (["ef", "defs", "c", "1", "x"], None, b"> 1\n> 1\n", True),
            (["dw"], b"y\n2\n", b"> Error.\n> 2\n", True),
            (["r"], b"[[y]] [[2]]\n[[3]]\n", b"Error. 2\n3\n", True),
            (["c", "1"], None, b"> 1\n", False),  # nothing to lose: success
        )
        # /proc/self/mem opened for writing by this script: offset 0 of its
        # memory is never mapped, so every write fails with EIO.
        for how in ("closed", "/dev/full", "EIO"):
            for words, stdin, want, lost in rows:
                in_path = write_input("in", stdin)[0] if stdin is not None else os.devnull
                out_path = os.path.join(WORK, "out")
                err_fd = None
                if how == "/dev/full":
                    err_fd = os.open("/dev/full", os.O_WRONLY)
                elif how == "EIO":
                    err_fd = os.open("/proc/self/mem", os.O_WRONLY)
                with open(in_path, "rb") as stdin_f, open(out_path, "wb") as out_f:
                    proc = subprocess.run([ZORM] + words, stdin=stdin_f, stdout=out_f,
                                          stderr=err_fd if err_fd is not None else subprocess.DEVNULL,
                                          env=env(), cwd=WORK,
                                          preexec_fn=(lambda: os.close(2)) if how == "closed" else None)
                if err_fd is not None:
                    os.close(err_fd)
                with open(out_path, "rb") as f:
                    out = f.read()
                what = f"standard error {how}, words {words}"
                expect_eq(out, want, f"stdout, {what}")
                expect_eq(proc.returncode, 2 if lost else 0, f"status, {what}")

    @case("a reader that goes away ends zorm quietly")
    def _():
        path, _ = write_input("many", b"".join(b"%d\n" % i for i in range(200_000)))
        with open(path, "rb") as stdin:
            zorm = subprocess.Popen([ZORM, "dw"], stdin=stdin, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, env=env())
            head = subprocess.run(["head", "-1"], stdin=zorm.stdout, capture_output=True)
            zorm.stdout.close()
            err = zorm.stderr.read()
            status = zorm.wait()
        expect_eq(head.stdout, b"> 0\n", "first line")
        expect(status in (0, -signal.SIGPIPE), f"status {status}")
        expect_eq(err, b"", "stderr")

    @case("standard input a directory: fatal failure after the banner, status 2")
    def _():
        r = run([], WORK)
        expect_eq(r.status, 2, "status")
        m = FATAL.search(r.err)
        expect(m and m.group(1) == b"Is a directory", f"stderr {r.err!r}")
        expect(r.out.startswith(b"\n** Vorpex. v") and r.out.count(b"\n") == 6, f"stdout {r.out!r}")
        r = run(["r"], WORK)
        expect_eq((r.status, r.out), (2, b""), "status and stdout in replace mode")
        m = FATAL.search(r.err)
        expect(m and m.group(1) == b"Is a directory", f"stderr in replace mode {r.err!r}")

    @case("definitions files that are a directory, unreadable or missing")
    def _():
        os.makedirs(os.path.join(WORK, "defs.d"), exist_ok=True)
        link = os.path.join(WORK, "dangling")
        if not os.path.lexists(link):
            os.symlink(os.path.join(WORK, "gone"), link)
        # /proc/self/mem is the reading process's own memory: offset 0 is never
        # mapped, so every read fails, also for root.
        for name, text in (("defs.d", b"Is a directory"), ("/proc/self/mem", b"Input/output error"),
                           ("missing", b"No such file or directory"),
                           ("dangling", b"No such file or directory"),
                           ("missing/x", b"No such file or directory")):
            r = run(["ef", name, "c", "1"])
            expect_eq(r.status, 2, f"status for {name}")
            expect_eq(r.out, b"", f"stdout for {name}")
            expect_eq(r.err, b"{Evaluating file `%s'}\nFatal error: exception Sys_error(\"%s: %s\")\n"
                      % (name.encode(), name.encode(), text), f"stderr for {name}")


FATAL_OOM = b"Fatal error: exception Out_of_memory\n"
OOM = b"{Out of memory}\n"
NO_LIMITS = ("AddressSanitizer reserves terabytes of address space before main, so no address-space "
             "limit lets it start, and its operator new dies rather than raise std::bad_alloc"
             if SANITIZED else None)


def out_of_memory_cases(limit):
    """Statements that run out of memory fail alone; lines that cannot be held
    end the run after the output so far."""

    @case("an endless line (standard input /dev/zero) under 64 MB: fatal after the output so far",
          skip=NO_LIMITS)
    def _():
        path, _ = write_input("empty", b"")
        banner = run([], path).out
        for words, out, err in ((["dw"], b"", FATAL_OOM), ([], banner, FATAL_OOM), (["r"], b"", FATAL_OOM),
                                (["ef", "/dev/zero", "c", "1"], b"", b"{Evaluating file `/dev/zero'}\n" + FATAL_OOM)):
            r = run(words, "/dev/zero", address_space=limit(64), cpu=60)
            expect_eq((r.status, r.out, r.err), (2, out, err), f"status, stdout and stderr with {words}")

    @case("a definitions line of 100 MB under 64 MB: fatal after the output so far", skip=NO_LIMITS)
    def _():
        write_input("defs", b"x = 5\n@vars\n", repeated(b"1+", 50_000_000), b"1\ny = 1\n")
        r = run(["ef", "defs", "c", "x"], address_space=limit(64), cpu=60)
        expect_eq(r.status, 2, "status")
        expect_eq(r.out, b"Bound variables:\n                   x = 5\nTotal: 1 variable\n", "stdout")
        expect_eq(r.err, b"{Evaluating file `defs'}\n" + FATAL_OOM, "stderr")

    @case("a statement 20,000,000 brackets deep under 256 MB fails alone, in every mode", skip=NO_LIMITS)
    def _():
        depth = 20_000_000
        rows = (
            (["dw"], (b"1+1\n", repeated(b"(", depth), b"1\n2+2\n"), b"> 2\n> Error.\n> 4\n", OOM + EOF_LINE),
            (["r"], (b"[[1+1]]\n[[", repeated(b"(", depth), b"1]]\n[[2+2]]\n"), b"2\nError.\n4\n", OOM + EOF_LINE),
            (["ef", "deep", "c", "x"], (repeated(b"(", depth), b"1\nx = 3\n"), b"> 3\n",
             b"{Evaluating file `deep'}\n" + OOM),
        )
        for words, parts, out, err in rows:
            path, _ = write_input("deep", *parts)
            r = run(words, None if "ef" in words else path, address_space=limit(256), cpu=60)
            expect_eq((r.status, r.out, r.err), (0, out, err), f"status, stdout and stderr with {words}")

    @case("5,000 results, then a line of 5,000,000 brackets: the results are kept", skip=NO_LIMITS)
    def _():
        n = 5_000_000
        path, size = write_input("sevens", b"7\n" * 5000, repeated(b"(", n), b"\n8\n")
        report = b" " * n + b"^\n{Parsing failed on pos %d}\n" % n
        # With 256 MB the statement is parsed to its end; with 64 MB its stacks
        # cannot grow that far.
        for mb, err in ((256, report), (64, OOM)):
            r = run(["dw"], path, address_space=limit(mb), cpu=60)
            expect_eq((r.status, r.out, r.err), (0, b"> 7\n" * 5000 + b"> Error.\n> 8\n", err + EOF_LINE),
                      f"status, stdout and stderr under {mb} MB")

    @case("a failing 100 MB statement under 128 MB: its report needs no memory of its own", skip=NO_LIMITS)
    def _():
        n = 50_000_000
        path, size = write_input("badlong", repeated(b"1+", n), b"1)\n2\n")
        r = run(["dw"], path, address_space=limit(128), cpu=60)
        end = 2 * n + 1
        expect_eq((r.status, r.out), (0, b"> Error.\n> 2\n"), "status and stdout")
        expect_eq(r.err, b" " * end + b"^\n{Parsing failed on pos %d: `)'}\n" % end + EOF_LINE, "stderr")
        expect_memory(r, size, 1)
        # Replace mode repeats the statement before the caret line.
        n = 25_000_000
        path, size = write_input("badlong", b"[[", repeated(b"1+", n), b"1)]]\n")
        r = run(["r"], path, address_space=limit(256), cpu=60)
        end = 2 * n + 1
        expect_eq((r.status, r.out), (0, b"Error.\n"), "status and stdout in replace mode")
        expect_eq(r.err, b"1+" * n + b"1)\n" + b" " * end + b"^\n{Parsing failed on pos %d: `)'}\n" % end + EOF_LINE,
                  "stderr in replace mode")

    @case("bindings until 64 MB run out: each later one fails alone, the table stays whole", skip=NO_LIMITS)
    def _():
        # About 490,000 bindings fit; each failure after them costs a throw
        # without the unwinder's sorted tables (it could not allocate them).
        n = 520_000

        def name(i):
            return b"v%059d" % i

        path, size = write_input("bindings", (b"%s = %d\n" % (name(i), i) for i in range(n)),
                                 b"%s = 42\n%s\n@vars\n1+1\n" % (name(0), name(0)))
        r = run(["dw"], path, address_space=limit(64), cpu=120)
        expect_eq(r.status, 0, "status")
        lines = r.out.split(b"\n")
        failed = 0
        while failed < len(lines) and lines[failed] == b"> Error.":
            failed += 1
        bound = n - failed
        expect(0 < failed < n, f"{failed} of {n} bindings failed")
        expect_eq(r.err, OOM * failed + EOF_LINE, "stderr")
        rest = lines[failed:]
        expect_eq(rest[:2], [b"> 42", b"Bound variables:"], "rebinding, then the listing")
        listed = {}
        for line in rest[2:bound + 2]:
            m = re.fullmatch(rb"(v\d+) = (\d+)", line)
            expect(m, f"binding line {line[:80]!r}")
            listed[m.group(1)] = int(m.group(2))
        want = {name(i): i for i in range(bound)}
        want[name(0)] = 42
        expect(listed == want, "the listing holds exactly the bindings made")
        expect_eq(rest[bound + 2:], [b"Total: %d variables" % bound, b"> 2", b""], "after the listing")

    # The kernel could not lay out the arguments, or the C library could not
    # set up the process (a static executable's thread-local block, a shared
    # library the loader could not map): where the limit falls depends on the
    # executable's layout, and so on the compiler and the link.
    def never_ran(r):
        return (r.status, r.out, r.err) == (-signal.SIGSEGV, b"", b"") or (
            r.status == 127 and r.out == b"" and (r.err == b"Fatal glibc error: Cannot allocate TLS block\n"
                                                 or b"error while loading shared libraries" in r.err))

    @case("a command line too long to copy: fatal before the session runs, at every limit", skip=NO_LIMITS)
    def _():
        word = "1+" * 50_000 + "1"
        words = ["c"] + [word] * 15
        started = False
        fatal = 0
        for kb in range(2048, 16384, 128):
            r = run(words, address_space=kb * 1024)
            if not started and never_ran(r):
                continue  # the process could not be set up: zorm never ran
            started = True
            if r.status == 0:
                expect_eq((r.out, r.err), (b"> 50001\n" * 15, b""), f"stdout and stderr under {kb} KB")
                break
            expect_eq((r.status, r.out, r.err), (2, b"", FATAL_OOM), f"status, stdout and stderr under {kb} KB")
            fatal += 1
        else:
            raise AssertionError("no limit up to 16 MB was enough")
        expect(fatal > 0, "no limit ran out of memory")

    @case("replace mode: a 60,001-byte self-similar delimiter over 15 MB of lines, within 10 s of CPU")
    def _():
        right = "a" * 60_000 + "b"
        n = 5_000_000
        path, _ = write_input("longdel", b"x [[", repeated(b"a", n), right.encode(), b"\n",
                              repeated(b"a", 10_000_000), b"\n")
        r = run(["r", "del", "[[", right], path, cpu=60 if SANITIZED else 10)
        expect_eq(r.status, 0, "status")
        expect_eq(r.out, b"x Error.\n" + b"a" * 10_000_000 + b"\n", "stdout")
        shown = b"a" * 15 + b"..."
        expect_eq(r.err, b"a" * n + b"\n" + b"^" * n + b"\n{Parsing failed on pos 0-%d: `%s'}\n" % (n - 1, shown)
                  + b"{Unbound variable: `%s'}\n" % shown + EOF_LINE, "stderr")


if __name__ == "__main__":
    sys.exit(main())
