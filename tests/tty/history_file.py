#!/usr/bin/env python3
"""The history file under attack or neglect, through a real terminal: zorm
runs on a pseudo-terminal with a temporary HOME (and XDG_STATE_HOME where a
case sets it), the test types lines and reads what comes back.

Usage: history_file.py ZORM [CASE...]

Cases: a lock held at the start and at Enter; a sparse 3 GB file under a
1 GB address-space limit (without the limit when ZORM_SANITIZED is set: the
sanitizer cannot start under one); a 100 MB one-line file; kills while the file is cut
back; a state directory of another user with a planted link; no HOME; a full
history in a read-only directory. The cases that need another user (root
makes its files, or runs zorm as that user) are skipped unless run as root.
"""

import fcntl
import os
import pty
import select
import shutil
import signal
import sys
import tempfile
import termios
import time

TIMEOUT = 20.0
NOBODY = 65534
END = b"{End of file reached}"


class Failure(Exception):
    pass


STARTED = []  # the processes started, ended after each case if they still run


class Terminal:
    """zorm on a pseudo-terminal of its own."""

    def __init__(self, argv, env, preexec=None):
        self.pid, self.master = pty.fork()
        STARTED.append(self.pid)
        if self.pid == 0:
            try:
                if preexec:
                    preexec()
                os.execve(argv[0], argv, env)
            finally:
                os._exit(127)
        self.output = b""
        self.status = None

    def read_some(self, timeout):
        ready, _, _ = select.select([self.master], [], [], timeout)
        if not ready:
            return
        try:
            data = os.read(self.master, 65536)
        except OSError:
            data = b""
        self.output += data

    def wait_for(self, text, what=None):
        deadline = time.monotonic() + TIMEOUT
        while text not in self.output:
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for %s; output so far: %r" % (what or text, self.output[-2000:]))
            self.read_some(0.05)

    def wait_editor(self):
        """Until the editor reads keys (the terminal is out of canonical mode)."""
        deadline = time.monotonic() + TIMEOUT
        while termios.tcgetattr(self.master)[3] & termios.ICANON:
            if time.monotonic() > deadline:
                raise Failure("the editor never started; output: %r" % self.output)
            self.read_some(0.02)

    def type(self, text):
        os.write(self.master, text.encode())

    def line(self, text, result):
        """Types a line and waits for its result."""
        self.wait_editor()
        before = len(self.output)
        self.type(text + "\r")
        deadline = time.monotonic() + TIMEOUT
        while result.encode() not in self.output[before:]:
            if time.monotonic() > deadline:
                raise Failure("no %r after %r; output: %r" % (result, text, self.output[-2000:]))
            self.read_some(0.05)

    def end(self):
        """Ctrl-D, then the exit status."""
        self.wait_editor()
        self.type("\x04")
        self.wait_for(END)
        return self.finish()

    def finish(self):
        deadline = time.monotonic() + TIMEOUT
        while True:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid == self.pid:
                self.status = os.waitstatus_to_exitcode(status)
                break
            if time.monotonic() > deadline:
                os.kill(self.pid, signal.SIGKILL)
                raise Failure("zorm did not end; output: %r" % self.output[-2000:])
            self.read_some(0.05)
        while True:
            ready, _, _ = select.select([self.master], [], [], 0)
            if not ready:
                break
            try:
                data = os.read(self.master, 65536)
            except OSError:
                break
            if not data:
                break
            self.output += data
        os.close(self.master)
        return self.status


def environment(tmp, home=True, state_home=None):
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
           "TERM": "xterm"}
    if home:
        env["HOME"] = os.path.join(tmp, "home")
        os.makedirs(env["HOME"], exist_ok=True)
    if state_home is not None:
        env["XDG_STATE_HOME"] = state_home
    return env


def history_path(tmp):
    return os.path.join(tmp, "home", ".local", "state", "zorm", "history")


def write_history(path, text=b"", size=None):
    os.makedirs(os.path.dirname(path), mode=0o700, exist_ok=True)
    with open(path, "wb") as f:
        f.write(text)
        if size is not None:
            f.truncate(size)
    os.chmod(path, 0o600)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def numbered(first, last):
    return b"".join(b"%d\n" % i for i in range(first, last + 1))


def notice(path, why):
    return ("{History not saved: %s: %s}" % (path, why)).encode()


def expect(cond, message):
    if not cond:
        raise Failure(message)


# ---------------------------------------------------------------- the cases

def lock_at_start_and_at_enter(zorm, tmp):
    """A lock held for ever delays the start and an Enter a moment only: one
    notice, the session goes on, and what could not be written goes into the
    file with the first line after the lock is let go."""
    path = history_path(tmp)
    write_history(path, b"1 + 1\n")
    holder = os.open(path, os.O_RDONLY)
    fcntl.flock(holder, fcntl.LOCK_EX)
    t = Terminal([zorm, "dw"], environment(tmp))
    t.wait_for(notice(path, "Locked by another process"))
    t.line("2 * 3", "> 6")
    fcntl.flock(holder, fcntl.LOCK_UN)
    t.line("3 * 4", "> 12")
    fcntl.flock(holder, fcntl.LOCK_SH)  # a reader, at Enter
    t.line("4 * 5", "> 20")
    os.close(holder)
    t.line("5 * 6", "> 30")
    expect(t.end() == 0, "exit status %s" % t.status)
    expect(t.output.count(b"History not saved") == 1, "one notice: %r" % t.output)
    expect(read(path) == b"1 + 1\n2 * 3\n3 * 4\n4 * 5\n5 * 6\n", "history file %r" % read(path))


def large_files_are_left_alone(zorm, tmp):
    """A sparse 3 GB file under a 1 GB address-space limit, and a 100 MB file
    of one line: one notice each, the session works, the file stays."""
    path = history_path(tmp)
    # The sanitizer reserves terabytes of address space before main: no limit
    # lets it start.
    limited = [] if os.environ.get("ZORM_SANITIZED") else ["prlimit", "--as=%d" % (1 << 30), "--"]
    for size, text, limit in ((3 << 30, b"x", limited),
                              (100 << 20, b"1" * (100 << 20), [])):
        write_history(path, text, size)
        t = Terminal([shutil.which(limit[0]) if limit else zorm] + limit[1:] + ([zorm] if limit else []) + ["dw"],
                     environment(tmp))
        t.wait_for(notice(path, "File too large"))
        t.line("6 * 7", "> 42")
        expect(t.end() == 0, "exit status %s" % t.status)
        expect(os.path.getsize(path) == size, "the file changed: %d bytes" % os.path.getsize(path))


def kills_while_the_file_is_cut_back(zorm, tmp):
    """The line entered is in the file before any rewrite starts; SIGTERM and
    SIGHUP wait until a rewrite is done, and what SIGKILL leaves of one goes
    at the next start."""
    path = history_path(tmp)
    directory = os.path.dirname(path)
    for n, sig in enumerate([signal.SIGTERM, signal.SIGHUP, signal.SIGKILL] * 3):
        write_history(path, numbered(1, 20000))
        t = Terminal([zorm, "dw"], environment(tmp))
        t.wait_editor()
        t.type("%d + 0\r" % (100000 + n))
        time.sleep(0.001 * n)
        os.kill(t.pid, sig)
        status = t.finish()
        expect(status == -sig, "status %s after %s" % (status, sig.name))
        leftovers = [f for f in os.listdir(directory) if f != "history"]
        expect(sig == signal.SIGKILL or not leftovers, "left behind after %s: %s" % (sig.name, leftovers))
        entries = read(path).split(b"\n")[:-1]
        expect(all(e.isdigit() or e == b"%d + 0" % (100000 + n) for e in entries), "a broken line after %s" % sig.name)
        if b"%d + 0" % (100000 + n) not in entries:
            expect(entries == numbered(1, 20000).split(b"\n")[:-1], "lines lost after %s" % sig.name)
    t = Terminal([zorm, "dw"], environment(tmp))
    t.line("1 + 1", "> 2")
    expect(t.end() == 0, "exit status %s" % t.status)
    expect(os.listdir(directory) == ["history"], "left behind: %s" % os.listdir(directory))


def foreign_state_directory(zorm, tmp):
    """XDG_STATE_HOME shared with another user, who made zorm/ (0777) and a
    link in it to a third user's file: refused with one notice, the file
    untouched."""
    shared = os.path.join(tmp, "shared")
    os.makedirs(os.path.join(shared, "zorm"))
    os.chmod(shared, 0o1777)
    victim = os.path.join(tmp, "victim")
    with open(victim, "wb") as f:
        f.write(numbered(1, 1200))
    os.chown(victim, NOBODY - 1, NOBODY - 1)
    os.symlink(victim, os.path.join(shared, "zorm", "history"))
    os.chown(os.path.join(shared, "zorm"), NOBODY, NOBODY)
    os.chmod(os.path.join(shared, "zorm"), 0o777)
    t = Terminal([zorm, "dw"], environment(tmp, state_home=shared))
    t.wait_for(notice(os.path.join(shared, "zorm", "history"), "Directory owned by another user"))
    t.line("1 + 2", "> 3")
    expect(t.end() == 0, "exit status %s" % t.status)
    expect(read(victim) == numbered(1, 1200), "the victim's file changed")


def no_home(zorm, tmp):
    """Without a usable HOME one notice says that the history is not kept."""
    for home in (None, "", "relative"):
        env = environment(tmp, home=False)
        if home is not None:
            env["HOME"] = home
        t = Terminal([zorm, "dw"], env)
        t.wait_for(b"{History not saved: HOME is unset, empty or relative}")
        t.line("1 + 2", "> 3")
        expect(t.end() == 0, "exit status %s" % t.status)
        expect(t.output.count(b"History not saved") == 1, "one notice: %r" % t.output)


def full_history_in_a_read_only_directory(zorm, tmp):
    """A user's full history in a directory where nothing can be made keeps
    taking lines."""
    path = history_path(tmp)
    write_history(path, numbered(1, 20000))
    for p in (tmp, os.path.join(tmp, "home"), os.path.join(tmp, "home", ".local"),
              os.path.join(tmp, "home", ".local", "state"), os.path.dirname(path), path):
        os.chown(p, NOBODY, NOBODY)
    os.chmod(os.path.dirname(path), 0o500)

    def as_nobody():
        os.setgid(NOBODY)
        os.setuid(NOBODY)

    t = Terminal([zorm, "dw"], environment(tmp), preexec=as_nobody)
    t.line("7 + 0", "> 7")
    t.line("8 + 0", "> 8")
    expect(t.end() == 0, "exit status %s" % t.status)
    expect(b"History not saved" not in t.output, "a notice: %r" % t.output)
    expect(read(path) == numbered(19002, 20000) + b"7 + 0\n8 + 0\n", "history file of %d lines" % read(path).count(b"\n"))


CASES = [lock_at_start_and_at_enter, large_files_are_left_alone, kills_while_the_file_is_cut_back,
         foreign_state_directory, no_home, full_history_in_a_read_only_directory]
AS_ROOT = {foreign_state_directory, full_history_in_a_read_only_directory}


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    zorm = os.path.abspath(sys.argv[1])
    chosen = [c for c in CASES if len(sys.argv) == 2 or c.__name__ in sys.argv[2:]]
    failures = 0
    for case in chosen:
        if case in AS_ROOT and os.geteuid() != 0:
            print("skip %s: needs root for another user's files" % case.__name__)
            continue
        with tempfile.TemporaryDirectory(prefix="zorm-history-") as tmp:
            try:
                case(zorm, tmp)
                print("ok   %s" % case.__name__)
            except Failure as e:
                failures += 1
                print("FAIL %s: %s" % (case.__name__, e))
            finally:
                for pid in STARTED:
                    try:
                        if os.waitpid(pid, os.WNOHANG)[0] == 0:
                            os.kill(pid, signal.SIGKILL)
                            os.waitpid(pid, 0)
                    except ChildProcessError:
                        pass
                STARTED.clear()
                os.chmod(tmp, 0o700)
                for root, dirs, _ in os.walk(tmp):
                    for d in dirs:
                        try:
                            os.chmod(os.path.join(root, d), 0o700)
                        except OSError:
                            pass
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
