#!/usr/bin/env python3
"""Line editing in a real terminal: runs zorm in tmux panes, types keys and
reads the screen back.

Usage: line_editing.py ZORM [TEST...]

Every run gets a temporary HOME (and XDG_STATE_HOME where a test sets it),
never the real one, and an explicit locale. Skips (exit status 0, with a
message) when tmux is not installed.
"""

import fcntl
import os
import shlex
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import termios
import time

TIMEOUT = 30.0  # seconds to wait for any one screen state; generous on purpose
END = "{End of file reached}"


class Failure(Exception):
    pass


class Pane:
    """One tmux server of our own with one pane running a shell command; the
    command's exit status is written to a file when it ends."""

    def __init__(self, tmp, command):
        os.makedirs(tmp, exist_ok=True)
        self.sock = os.path.join(tmp, "tmux.sock")
        self.status_file = os.path.join(tmp, "status")
        conf = os.path.join(tmp, "tmux.conf")
        with open(conf, "w") as f:
            f.write("set -g remain-on-exit on\nset -g default-shell /bin/sh\nset -g history-limit 10000\n")
        # The shell catches SIGINT (its children start with the default
        # action), so that it outlives a Ctrl-C that ends the command.
        command = "trap : INT; %s; echo $? > %s" % (command, shlex.quote(self.status_file))
        self.tmux("-f", conf, "new-session", "-d", "-s", "zorm", "-x", "100", "-y", "40", command)
        self.tty = self.tmux("display-message", "-p", "-t", "zorm", "#{pane_tty}").strip()

    def tmux(self, *args):
        # -u: UTF-8 on the pane's side whatever this script's locale is.
        return subprocess.run(["tmux", "-u", "-S", self.sock, *args], check=True, capture_output=True,
                              encoding="utf-8", errors="surrogateescape").stdout

    def close(self):
        subprocess.run(["tmux", "-u", "-S", self.sock, "kill-server"], capture_output=True)

    def type(self, text):
        self.tmux("send-keys", "-t", "zorm", "-l", text)

    def keys(self, *names):
        self.tmux("send-keys", "-t", "zorm", *names)

    def send_bytes(self, data):
        """The bytes as they are, valid text or not."""
        self.tmux("send-keys", "-t", "zorm", "-H", *["%02x" % b for b in data])

    def send(self, keys):
        """Keys given as a list: a str is typed as it is, a tuple names tmux
        keys, bytes are sent byte by byte."""
        for k in keys:
            if isinstance(k, tuple):
                self.keys(*k)
            elif isinstance(k, bytes):
                self.send_bytes(k)
            else:
                self.type(k)

    def screen(self):
        """The pane's lines, scrolled-off ones included, without trailing
        blanks, up to tmux's dead-pane notice."""
        text = self.tmux("capture-pane", "-p", "-S", "-", "-t", "zorm")
        lines = [l.rstrip() for l in text.split("\n")]
        for i, l in enumerate(lines):
            if l.startswith("Pane is dead"):
                lines = lines[:i]
                break
        while lines and not lines[-1]:
            lines.pop()
        return lines

    def exit_status(self):
        try:
            with open(self.status_file) as f:
                text = f.read()
        except FileNotFoundError:
            return None
        return int(text) if text.endswith("\n") else None

    def modes(self):
        fd = os.open(self.tty, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            return termios.tcgetattr(fd)
        finally:
            os.close(fd)

    def raw_mode(self):
        """True while the terminal is out of canonical mode, i.e. the editor reads it."""
        return not self.modes()[3] & termios.ICANON

    def wait(self, what, predicate):
        deadline = time.monotonic() + TIMEOUT
        while True:
            if predicate():
                return
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for %s; screen:\n%s" % (what, "\n".join(self.screen())))
            time.sleep(0.05)

    def zorm_waiting(self):
        return zorm_waiting(self.tty)

    def wait_editor(self):
        # Keys typed while the terminal is still in canonical mode would be
        # echoed twice (by the terminal, then by the editor), and an earlier
        # line may still be on its way to the evaluator, so every line is
        # typed only once the editor has taken the terminal and waits for keys.
        self.wait("the line editor", lambda: self.raw_mode() and self.zorm_waiting())

    def wait_screen(self, expected, what="the screen"):
        expected = list(expected)
        while expected and not expected[-1]:
            expected.pop()  # as screen() drops them
        try:
            self.wait(what, lambda: self.screen() == expected)
        except Failure:
            check_screen(self, expected)
            raise

    def wait_exit(self):
        self.wait("the end of the process", lambda: self.exit_status() is not None)
        return self.exit_status()

    def run_steps(self, steps, screen=()):
        """Each step: the keys typed once the editor reads (see send), then
        Enter, then the screen must have grown by the lines given. A step
        whose keys end with Ctrl-C gets no Enter. Returns the screen."""
        screen = list(screen)
        for keys, lines in steps:
            self.wait_editor()
            self.send(keys)
            if not (isinstance(keys[-1], tuple) and keys[-1][-1] == "C-c"):
                self.keys("Enter")
            screen += lines
            self.wait_screen(screen, "the screen after %r" % (keys,))
        return screen

    def end_input(self, screen):
        """Ctrl-D on the empty line: the end of input, status 0."""
        self.wait_editor()
        self.keys("C-d")
        status = self.wait_exit()
        check_screen(self, screen + [END])
        if status != 0:
            raise Failure("exit status %d after Ctrl-D" % status)


def zorm_syscall(tty):
    """The state and system call of the zorm process on terminal `tty`, or None."""
    dev = os.stat(tty).st_rdev
    tty_nr = (os.major(dev) << 8) | (os.minor(dev) & 0xFF) | ((os.minor(dev) & ~0xFF) << 12)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                st = f.read()
            with open("/proc/%s/syscall" % pid) as f:
                call = f.read().split()
        except OSError:
            continue
        comm, fields = st[st.index("(") + 1:st.rindex(")")], st[st.rindex(")") + 2:].split()
        if comm == "zorm" and int(fields[4]) == tty_nr:
            return fields[0], call[:1]
    return None


def zorm_waiting(tty):
    """True when a zorm process on terminal `tty` sleeps in a read or poll
    with every byte typed so far taken from the terminal: it has dealt with
    all earlier keys and waits for more."""
    fd = os.open(tty, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        pending = struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]
    finally:
        os.close(fd)
    if pending:
        return False
    state = zorm_syscall(tty)
    return state is not None and state[0] == "S" and state[1] in (["0"], ["7"], ["271"])  # read, poll, ppoll


def check_screen(pane, expected):
    expected = list(expected)
    while expected and not expected[-1]:
        expected.pop()
    got = pane.screen()
    if got != expected:
        raise Failure("screen differs\n--- expected\n%s\n--- got\n%s" % ("\n".join(expected), "\n".join(got)))


def home_of(tmp):
    home = os.path.join(tmp, "home")
    os.makedirs(home, exist_ok=True)
    return home


def environment(tmp, locale="C.UTF-8", state_home=None):
    """The words of an env(1) call that gives a run its own HOME, an explicit
    locale, no EDITRC, and XDG_STATE_HOME only when `state_home` is given."""
    words = ["env", "-u", "EDITRC", "-u", "XDG_STATE_HOME", "-u", "LANGUAGE",
             "HOME=" + home_of(tmp), "LANG=" + locale, "LC_ALL=" + locale]
    if state_home is not None:
        words.append("XDG_STATE_HOME=" + state_home)
    return words


def zorm_pane(zorm, tmp, locale="C.UTF-8", state_home=None, args=("dw",), pane_dir="pane", env=()):
    """A pane running zorm; `env` adds NAME=value words to its environment."""
    return Pane(os.path.join(tmp, pane_dir),
                shlex.join(environment(tmp, locale, state_home) + list(env) + [zorm, *args]))


def default_history(tmp):
    return os.path.join(home_of(tmp), ".local", "state", "zorm", "history")


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def pipe_outputs(zorm, tmp, lines, locale):
    """What each line prints through a pipe (standard error merged, in order):
    one list of screen lines per input line."""
    def run(n):
        data = b"".join(l + b"\n" for l in lines[:n])
        r = subprocess.run(environment(tmp, locale) + [zorm, "dw"], input=data, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, check=True)
        out = r.stdout.decode("utf-8", "surrogateescape").split("\n")
        assert out[-2:] == [END, ""], out
        return out[:-2]
    outputs, before = [], []
    for n in range(1, len(lines) + 1):
        now = run(n)
        outputs.append(now[len(before):])
        before = now
    return outputs


def shown(line):
    """How the editor draws a typed line: UTF-8 text as itself, any other
    byte as the escape of the character that carries it."""
    return "".join("\\U+%04X" % ord(c) if 0xDC80 <= ord(c) <= 0xDCFF else c
                   for c in line.decode("utf-8", "surrogateescape"))


# ---------------------------------------------------------------- the tests

def editing_session(zorm, tmp):
    """History, editing and completion; the screen holds exactly the typed
    lines and the output of the non-interactive loop."""
    steps = [
        # keys typed before Enter (a tuple names tmux keys), lines that follow
        (["1 + 2 * 3"], ["1 + 2 * 3", "> 7"]),
        ([("Up", "BSpace"), "4"], ["1 + 2 * 4", "> 9"]),                # recall, edit the end
        ([("Up", "C-a"), "10 + "], ["10 + 1 + 2 * 4", "> 19"]),         # recall, edit the start
        (["fact", ("Tab",), "3"], ["factorial 3", "> 6"]),              # a function name
        (["velocity = 12; velocity"], ["velocity = 12; velocity", "> 12"]),
        (["velo", ("Tab",), "* 2"], ["velocity * 2", "> 24"]),          # a bound name
        (["@va", ("Tab",)], ["@vars", "Bound variables:",               # a command word
                             "            velocity = 12", "Total: 1 variable"]),
        ([("C-r",), "fact"], ["factorial 3", "> 6"]),                   # history search
        (["1 + pi pi"], ["1 + pi pi", "       ^^", "{Parsing failed on pos 7-8: `pi'}", "> Error."]),
        (["P", ("Tab",), ("Tab",), "i"], ["P", "PI  Pi", "Pi", "> 3.14159265359"]),  # choices listed
        (["1", ("C-v", "Tab"), "+ 2"], ["1       + 2", "> 3"]),          # a literal tab
    ]
    pane = zorm_pane(zorm, tmp)
    try:
        pane.end_input(pane.run_steps(steps))
    finally:
        pane.close()


def typed_text_as_through_a_pipe(zorm, tmp):
    """In a UTF-8 locale and in C, the bytes typed are the bytes evaluated:
    every line prints what it prints through a pipe, invalid UTF-8 included."""
    lines = [
        "größe = 3".encode(), b"@vars", "1 + 2é3".encode(), "3 × 4".encode(), "// ça va".encode(),
        b"1 + 2\xff",           # no UTF-8 at all
        b"x\xc3 = 2",           # a lead byte without its continuation
        b"\xe2\x88 + 1",        # a character cut short
        b"// caf\xe9 au lait",  # Latin-1 inside a comment: no value, as through a pipe
        b"y = 6; y * 7",
    ]
    for locale in ("C.UTF-8", "C"):
        outputs = pipe_outputs(zorm, tmp, lines, locale)
        steps = [([line], [shown(line)] + out) for line, out in zip(lines, outputs)]
        pane = zorm_pane(zorm, tmp, locale, pane_dir="pane-" + locale)
        try:
            pane.end_input(pane.run_steps(steps))
        except Failure as e:
            raise Failure("%s: %s" % (locale, e))
        finally:
            pane.close()
    # Both runs kept every line as it was typed.
    if read_file(default_history(tmp)) != b"".join(l + b"\n" for l in lines) * 2:
        raise Failure("history file %r" % read_file(default_history(tmp)))


def ctrl_c_cancels_the_line(zorm, tmp):
    """Ctrl-C drops the line being typed, also an empty one, and the session
    goes on with its variables and its history, which the cancelled lines
    never join."""
    pane = zorm_pane(zorm, tmp)
    try:
        screen = pane.run_steps([
            (["x = 5"], ["x = 5"]),
            (["1 + 2", ("Left", "Left", "C-c")], ["1 + 2^C"]),  # the cursor mid-line
            ([("C-c",)], ["^C"]),                                # on an empty line
            (["2 +", ("Escape", "C-c")], ["2 +^C"]),             # after a key sequence began
            (["x * 2"], ["x * 2", "> 10"]),
            ([("Up", "Up")], ["x = 5"]),                          # not 1 + 2
            ([("Up",), "0"], ["x = 50"]),
            (["x"], ["x", "> 50"]),
        ])
        pane.end_input(screen)
    finally:
        pane.close()
    if read_file(default_history(tmp)) != b"x = 5\nx * 2\nx = 5\nx = 50\nx\n":
        raise Failure("history file %r" % read_file(default_history(tmp)))


def ctrl_z_without_job_control(zorm, tmp):
    """Where no shell can resume it, Ctrl-Z changes nothing: the typed text
    stays and the session goes on. Under a shell that traps SIGTSTP, and in a
    pane started on zorm itself."""
    inner = shlex.join(environment(tmp) + [zorm, "dw"])
    for name, command in (("trap", "bash -c %s" % shlex.quote("trap : TSTP; " + inner)), ("direct", inner)):
        pane = Pane(os.path.join(tmp, name), command)
        try:
            screen = pane.run_steps([
                (["x = 4"], ["x = 4"]),
                (["2 * ", ("C-z",), "x"], ["2 * x", "> 8"]),
                ([("C-z",), "x + 1"], ["x + 1", "> 5"]),
            ])
            pane.end_input(screen)
        except Failure as e:
            raise Failure("%s: %s" % (name, e))
        finally:
            pane.close()


def ctrl_z_with_job_control(zorm, tmp):
    """Under an interactive shell, Ctrl-Z stops zorm and fg resumes it with
    the typed text in place."""
    command = shlex.join(environment(tmp) + ["HISTFILE=/dev/null", "PS1=$ ",
                                             "bash", "--norc", "--noprofile", "-i"])
    pane = Pane(os.path.join(tmp, "pane"), command)
    try:
        pane.wait("the shell", lambda: pane.screen()[-1:] == ["$"])
        pane.type(shlex.join([zorm, "dw"]))
        pane.keys("Enter")
        pane.wait_editor()
        pane.type("2 * ")
        pane.keys("C-z")
        pane.wait("the stopped job", lambda: any("Stopped" in l for l in pane.screen()))
        pane.wait("the shell", lambda: pane.screen()[-1:] == ["$"])
        pane.type("fg")
        pane.keys("Enter")
        pane.wait_editor()
        pane.type("21")
        pane.keys("Enter")
        pane.wait("the result", lambda: pane.screen()[-2:] == ["2 * 21", "> 42"])
        pane.wait_editor()
        pane.keys("C-d")
        pane.wait("the shell", lambda: pane.screen()[-2:] == [END, "$"])
    finally:
        pane.close()


def history_across_runs(zorm, tmp):
    """A second run recalls the first run's lines; the file and its directory
    are created private; empty and repeated lines are not kept; a line with a
    line feed in it (Ctrl-V Ctrl-M) stays one entry."""
    first = [
        (["6 * 7"], ["6 * 7", "> 42"]),
        ([""], [""]),
        (["x = 2"], ["x = 2"]),
        (["x = 2"], ["x = 2"]),
        (["   "], [""]),
        (["1 + 1", ("C-v", "C-m"), "2 + 2"], ["1 + 1", "2 + 2", "> 2", "> 4"]),
    ]
    pane = zorm_pane(zorm, tmp, pane_dir="first")
    try:
        pane.end_input(pane.run_steps(first))
    finally:
        pane.close()
    path = default_history(tmp)
    if read_file(path) != b"6 * 7\nx = 2\n1 + 1\\n2 + 2\n":
        raise Failure("history file %r" % read_file(path))
    for p, mode in ((path, 0o600), (os.path.dirname(path), 0o700)):
        if stat.S_IMODE(os.stat(p).st_mode) != mode:
            raise Failure("%s has mode %o" % (p, stat.S_IMODE(os.stat(p).st_mode)))
    # An empty XDG_STATE_HOME means the default place.
    pane = zorm_pane(zorm, tmp, state_home="", pane_dir="second")
    try:
        screen = pane.run_steps([
            ([("Up",)], ["1 + 1", "2 + 2", "> 2", "> 4"]),
            ([("Up", "Up", "Up")], ["6 * 7", "> 42"]),
        ])
        pane.end_input(screen)
    finally:
        pane.close()
    if read_file(path) != b"6 * 7\nx = 2\n1 + 1\\n2 + 2\n6 * 7\n":
        raise Failure("history file %r" % read_file(path))


def history_keeps_the_last_1000(zorm, tmp):
    """From a file of 20,000 entries a session recalls the last 1000, and its
    new entry cuts the file back to the last 1000."""
    state = os.path.join(tmp, "state")
    path = os.path.join(state, "zorm", "history")
    os.makedirs(os.path.dirname(path))
    with open(path, "w") as f:
        f.writelines("1 + %d\n" % i for i in range(1, 20001))
    os.chmod(path, 0o600)
    pane = zorm_pane(zorm, tmp, state_home=state)
    try:
        pane.wait_editor()
        pane.keys("-N", "1001", "Up")  # one more than there is
        pane.wait_screen(["1 + 19001"])
        pane.keys("Enter")
        pane.end_input(["1 + 19001", "> 19002"])
    finally:
        pane.close()
    want = "".join("1 + %d\n" % i for i in range(19002, 20001)) + "1 + 19001\n"
    if read_file(path).decode() != want:
        raise Failure("history file has %d lines" % read_file(path).count(b"\n"))
    if stat.S_IMODE(os.stat(path).st_mode) != 0o600:
        raise Failure("mode %o after trimming" % stat.S_IMODE(os.stat(path).st_mode))


def history_unusable(zorm, tmp):
    """A history file that cannot be made gives one notice and leaves the
    history of the session working; XDG_STATE_HOME=/dev/null none at all."""
    blocker = os.path.join(tmp, "not-a-directory")
    with open(blocker, "w"):
        pass
    steps = [(["1 + 1"], ["1 + 1", "> 2"]), ([("Up",)], ["1 + 1", "> 2"]), (["2"], ["2", "> 2"])]
    cases = (
        (blocker, ["{History not saved: %s/zorm/history: Not a directory}" % blocker]),
        ("/dev/null", []),
    )
    for i, (state, notice) in enumerate(cases):
        pane = zorm_pane(zorm, tmp, state_home=state, pane_dir="pane%d" % i)
        try:
            pane.wait_editor()
            pane.wait_screen(notice)
            pane.end_input(pane.run_steps(steps, notice))
        finally:
            pane.close()
    if os.listdir(home_of(tmp)):
        raise Failure("files made in the home directory: %s" % os.listdir(home_of(tmp)))


def two_sessions_at_once(zorm, tmp):
    """Two sessions entering lines in turn both keep theirs, in order."""
    panes = [zorm_pane(zorm, tmp, pane_dir="pane-a"), zorm_pane(zorm, tmp, pane_dir="pane-b")]
    try:
        screens = [[], []]
        for n in range(1, 4):
            for i, pane in enumerate(panes):
                line = "%d + %d" % (i, n)
                screens[i] = pane.run_steps([([line], [line, "> %d" % (i + n)])], screens[i])
        for i, pane in enumerate(panes):
            pane.end_input(screens[i])
    finally:
        for pane in panes:
            pane.close()
    want = "".join("%d + %d\n" % (i, n) for n in range(1, 4) for i in range(2))
    if read_file(default_history(tmp)).decode() != want:
        raise Failure("history file %r" % read_file(default_history(tmp)))


def ways_out_restore_the_terminal(zorm, tmp):
    """The terminal's modes after zorm are those before it, however it ends;
    what was entered before a signal ended it is in the history."""
    cases = [("Ctrl-D", None, 0), ("@exit", None, 0)]
    cases += [(sig.name, sig, 128 + sig) for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT)]
    for name, sig, want_status in cases:
        d = os.path.join(tmp, name)
        os.makedirs(d)
        q = {k: shlex.quote(os.path.join(d, k)) for k in ("before", "after", "pid")}
        inner = shlex.join(environment(d) + ["sh", "-c", 'echo $$ > "$0"; exec "$@"',
                                             os.path.join(d, "pid"), zorm, "dw"])
        command = "ulimit -c 0; stty -g > %s; %s; s=$?; stty -g > %s; (exit $s)" % (
            q["before"], inner, q["after"])
        pane = Pane(os.path.join(d, "pane"), command)
        try:
            pane.run_steps([(["6 * 7"], ["6 * 7", "> 42"])])
            pane.wait_editor()
            if sig is None:
                pane.send(["@exit"] if name == "@exit" else [("C-d",)])
                if name == "@exit":
                    pane.keys("Enter")
            else:
                pane.type("1 + ")
                pane.wait_screen(["6 * 7", "> 42", "1 +"])
                with open(os.path.join(d, "pid")) as f:
                    os.kill(int(f.read()), sig)
            status = pane.wait_exit()
            pane.wait("the modes after", lambda: os.path.exists(os.path.join(d, "after")))
        finally:
            pane.close()
        if status != want_status:
            raise Failure("%s: exit status %d" % (name, status))
        if read_file(os.path.join(d, "before")) != read_file(os.path.join(d, "after")):
            raise Failure("%s: terminal modes %r, before %r" % (
                name, read_file(os.path.join(d, "after")), read_file(os.path.join(d, "before"))))
        if read_file(default_history(d)) != b"6 * 7\n" + (b"@exit\n" if name == "@exit" else b""):
            raise Failure("%s: history file %r" % (name, read_file(default_history(d))))


def typed_ahead_stays_with_the_terminal(zorm, tmp):
    """Lines typed ahead after the one that ends the run are left to the next
    program reading the terminal."""
    after = os.path.join(tmp, "after")
    inner = shlex.join(environment(tmp) + [zorm, "dw"])
    pane = Pane(os.path.join(tmp, "pane"), "%s; head -n 1 > %s" % (inner, shlex.quote(after)))
    try:
        screen = pane.run_steps([(["6 * 7"], ["6 * 7", "> 42"])])
        pane.wait_editor()
        pane.type("@exit\rtyped ahead\r")
        if pane.wait_exit() != 0:
            raise Failure("exit status %s" % pane.exit_status())
        # Not echoed: it came while the editor had the terminal.
        check_screen(pane, screen + ["@exit", "Bye-bye!"])
    finally:
        pane.close()
    if read_file(after) != b"typed ahead\n":
        raise Failure("the next program read %r" % read_file(after))


def snapshot(root):
    return sorted((os.path.relpath(os.path.join(d, n), root), os.lstat(os.path.join(d, n)).st_mtime_ns,
                   os.lstat(os.path.join(d, n)).st_size)
                  for d, dirs, files in os.walk(root) for n in dirs + files)


def not_a_terminal(zorm, tmp):
    """When standard input or standard output is not a terminal, keys reach
    zorm unedited, Ctrl-C keeps its default action, and nothing under the
    home directory is touched: with FIFOs in place of the editor's settings
    and of the history file, any attempt to read them would hang the run."""
    home = home_of(tmp)
    os.makedirs(os.path.join(home, ".local", "state", "zorm"))
    for fifo in (".editrc", ".local/state/zorm/history"):
        os.mkfifo(os.path.join(home, fifo))
    before = snapshot(home)
    env = shlex.join(environment(tmp))
    out = os.path.join(tmp, "out.txt")

    # Output redirected: the arrow key's bytes stay in the line, which then
    # fails to lex; Ctrl-C ends the run.
    pane = Pane(os.path.join(tmp, "out"), "%s %s dw > %s" % (env, shlex.quote(zorm), shlex.quote(out)))
    try:
        pane.type("1 + 2")
        pane.keys("Left")
        pane.type("3")
        pane.keys("Enter")
        pane.type("2 * 21")
        pane.keys("Enter")
        pane.wait("the results", lambda: os.path.exists(out) and read_file(out) == b"> Error.\n> 42\n")
        pane.keys("C-c")
        status = pane.wait_exit()
        if status != 128 + signal.SIGINT:
            raise Failure("redirected output: exit status %s after Ctrl-C" % status)
    finally:
        pane.close()

    # Input from a pipe, output to the terminal.
    pane = Pane(os.path.join(tmp, "in"), "printf '1 + 2\\n' | %s %s dw" % (env, shlex.quote(zorm)))
    try:
        if pane.wait_exit() != 0:
            raise Failure("piped input: exit status %s" % pane.exit_status())
        check_screen(pane, ["> 3", END])
    finally:
        pane.close()

    # Both pipes, no terminal at all.
    r = subprocess.run(environment(tmp) + [zorm, "dw"], input=b"6 * 7\n", capture_output=True,
                       timeout=TIMEOUT)
    if (r.stdout, r.stderr, r.returncode) != (b"> 42\n", (END + "\n").encode(), 0):
        raise Failure("pipes: %r" % ((r.stdout, r.stderr, r.returncode),))

    if snapshot(home) != before:
        raise Failure("the home directory changed: %s" % snapshot(home))


def pipe_output(zorm, tmp, line):
    """What one line prints through a pipe (standard error merged), as lines."""
    return pipe_outputs(zorm, tmp, [line], "C.UTF-8")[0]


def zorm_keys_survive_the_editrc(zorm, tmp):
    """zorm's keys work whatever the user's settings file does to the key
    maps; a key the file binds itself keeps the file's binding."""
    steps = {
        "Tab completes": [(["sq", ("Tab",), "16"], ["sqrt 16", "> 4"])],
        "Ctrl-C cancels": [(["1 + 2", ("C-c",)], ["1 + 2^C"]), (["5"], ["5", "> 5"])],
        "Ctrl-Z keeps the line": [(["2 * ", ("C-z",), "4"], ["2 * 4", "> 8"])],
    }
    editrcs = {"no editrc": None, "bind -e": "bind -e\n", "bind -v": "# vi keys\nbind -v\n"}
    for name, editrc in editrcs.items():
        home = home_of(os.path.join(tmp, name))
        if editrc is not None:
            with open(os.path.join(home, ".editrc"), "w") as f:
                f.write(editrc)
        for key, key_steps in steps.items():
            pane = zorm_pane(zorm, os.path.join(tmp, name), pane_dir=key)
            try:
                pane.end_input(pane.run_steps(key_steps))  # and Ctrl-D ends
            except Failure as e:
                raise Failure("%s, %s: %s" % (name, key, e))
            finally:
                pane.close()
    home = home_of(os.path.join(tmp, "own"))
    with open(os.path.join(home, ".editrc"), "w") as f:
        f.write("bind -v\nzorm:bind ^I ed-insert\nother:bind ^D ed-insert\n")
    pane = zorm_pane(zorm, os.path.join(tmp, "own"))
    try:
        pane.end_input(pane.run_steps([(["1", ("Tab",), "+ 2"], ["1       + 2", "> 3"])]))
    finally:
        pane.close()


def reverse_search_then_a_cursor_key(zorm, tmp):
    """A cursor or editing key ends a Ctrl-R search, keeps the line found and
    acts on it; its escape sequence never becomes text."""
    cases = [  # key, typed after it, the line entered
        ("Right", "0", "s0qrt 16"), ("Left", "0", "0sqrt 16"), ("Home", "1+", "1+sqrt 16"),
        ("End", "+1", "sqrt 16+1"), ("Up", "0", "1+10"), ("Down", "7", "7"), ("DC", "", "qrt 16"),
    ]
    for key, typed, line in cases:
        pane = zorm_pane(zorm, tmp, pane_dir=key)
        try:
            screen = pane.run_steps([(["1+1"], ["1+1", "> 2"]), (["sqrt 16"], ["sqrt 16", "> 4"]),
                                     ([("C-r",), "sq", (key,), typed], [line] + pipe_output(zorm, tmp, line.encode()))])
            pane.end_input(screen)
        except Failure as e:
            raise Failure("%s: %s" % (key, e))
        finally:
            pane.close()


def resize_redraws_the_line(zorm, tmp):
    """A line wrapped over three rows is drawn again, clean, at the window's
    new width, narrower or wider."""
    long_line = "+".join(["1"] * 100)
    for width in (50, 120):
        pane = zorm_pane(zorm, tmp, pane_dir="w%d" % width)
        try:
            pane.tmux("resize-window", "-t", "zorm", "-x", "80", "-y", "40")
            screen = pane.run_steps([(["7 * 6"], ["7 * 6", "> 42"])])
            pane.wait_editor()
            pane.type(long_line)
            rows = lambda text, w: [text[i:i + w] for i in range(0, len(text), w)]
            pane.wait_screen(screen + rows(long_line, 80))
            pane.tmux("resize-window", "-t", "zorm", "-x", str(width), "-y", "40")
            pane.wait_editor()
            pane.type("+2")
            pane.keys("Enter")
            pane.wait_screen(screen + rows(long_line + "+2", width) + ["> 102"], "the screen at %d columns" % width)
        except Failure as e:
            raise Failure("%d columns: %s" % (width, e))
        finally:
            pane.close()


def readline_keys(zorm, tmp):
    """Ctrl-U kills back to the start and Ctrl-Y yanks it; Ctrl-_ undoes;
    Alt and Ctrl with the arrows move by words, Ctrl-Delete and Alt-D delete
    one forward; keys of no use (PageUp, F5, Shift-Up) insert nothing."""
    pane = zorm_pane(zorm, tmp)
    try:
        screen = pane.run_steps([
            (["11 + 22 + 33", ("Left",) * 5, ("C-u", "End"), " + ", ("C-y",)], [" + 33 + 11 + 22", "> 66"]),
            (["6 * 7", ("C-u", "C-_")], ["6 * 7", "> 42"]),          # the kill undone
            (["1 + 2", ("C-_",), "9"], ["9", "> 9"]),                 # the typing undone
            (["1 + 2", ("Home", "C-Right"), "0", ("M-Right",), "0"], ["10 + 20", "> 30"]),
            (["10 + 20 + 30", ("M-Left", "M-Left", "C-DC"), "5", ("C-Left", "M-d"), "4",
              ("C-Right", "PPage", "F5", "S-Up"), "9"], ["10 + 4 + 309", "> 323"]),
        ])
        pane.end_input(screen)
    finally:
        pane.close()


def last_result_key(zorm, tmp):
    """Alt-. inserts the last result as a number that reads back exactly, a
    negative one in brackets; after a failure or a NaN it inserts nothing."""
    pane = zorm_pane(zorm, tmp)
    try:
        screen = pane.run_steps([
            (["6 * 7"], ["6 * 7", "> 42"]),
            ([("M-.",), " / 2"], ["42 / 2", "> 21"]),
            (["1/3"], ["1/3", "> 0.333333333333"]),
            ([("M-.",), " == 1/3"], ["0.3333333333333333 == 1/3", "> 1"]),
            (["0 - 2"], ["0 - 2", "> -2"]),
            (["x = 3"], ["x = 3"]),                                   # no value: the last stays
            (["3 - ", ("M-.",)], ["3 - (-2)", "> 5"]),
            (["1 +"], ["1 +"] + pipe_output(zorm, tmp, b"1 +")),
            ([("M-.",), "5"], ["5", "> 5"]),
            (["sqrt(0 - 1)"], ["sqrt(0 - 1)", "> NaN"]),
            ([("M-.",), "6"], ["6", "> 6"]),
        ])
        pane.end_input(screen)
    finally:
        pane.close()


def completion_asks_before_a_long_listing(zorm, tmp):
    """With more than 100 choices Tab Tab asks first; n keeps the line and
    lists nothing, y lists them all and draws the line again."""
    defs = os.path.join(tmp, "defs")
    with open(defs, "w") as f:
        f.writelines("v%03d = %d\n" % (i, i) for i in range(150))
    notice = "{Evaluating file `%s'}" % defs
    question = "Display all 150 possibilities? (y or n)"
    for answer in ("n", "y"):
        pane = zorm_pane(zorm, tmp, args=("dw", "ef", defs), pane_dir=answer)
        try:
            pane.wait_editor()
            pane.type("v")
            pane.keys("Tab")
            pane.wait_editor()
            pane.keys("Tab")
            pane.wait_screen([notice, "v", question])
            pane.type(answer)
            pane.wait_editor()
            got = pane.screen()
            listing = got[3:-1]
            if answer == "n" and got != [notice, "v", question, "v"]:
                raise Failure("after n:\n" + "\n".join(got))
            if answer == "y" and (got[-1] != "v" or sorted(" ".join(listing).split()) != ["v%03d" % i for i in range(150)]):
                raise Failure("after y:\n" + "\n".join(got))
            pane.type("149")
            pane.keys("Enter")
            pane.end_input(got[:-1] + ["v149", "> 149"])
        except Failure as e:
            raise Failure("%s: %s" % (answer, e))
        finally:
            pane.close()


def ctrl_c_stops_a_listing(zorm, tmp):
    """Ctrl-C stops a listing under way, and the line and the session go on.
    Through a terminal of the test's own, which it stops reading to hold the
    listing up, so that the listing is surely under way at Ctrl-C."""
    defs = os.path.join(tmp, "defs")
    count = 100000
    with open(defs, "w") as f:
        f.writelines("v%06d = 1\n" % i for i in range(count))
    master, slave = os.openpty()
    tty = os.ttyname(slave)
    proc = subprocess.Popen(environment(tmp) + [zorm, "dw", "ef", defs], stdin=slave, stdout=slave, stderr=slave,
                            start_new_session=True, preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
    os.close(slave)
    os.set_blocking(master, False)
    output = bytearray()

    def drain():
        try:
            while True:
                output.extend(os.read(master, 65536))
        except (BlockingIOError, OSError):
            pass

    def wait(what, predicate, reading=True):
        deadline = time.monotonic() + TIMEOUT
        while not predicate():
            if reading:
                drain()
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for %s; output ends %r" % (what, bytes(output[-300:])))
            time.sleep(0.02)
        if reading:
            drain()

    try:
        wait("the line editor", lambda: zorm_waiting(tty))
        os.write(master, b"v\t")
        for _ in range(3):
            wait("the line editor", lambda: zorm_waiting(tty))
            if b"possibilities?" in output:
                break
            os.write(master, b"\t")
        if b"Display all %d possibilities? (y or n)" % count not in output:
            raise Failure("no question: %r" % bytes(output[-300:]))
        before = len(output)
        os.write(master, b"y")
        # Unread, the terminal fills up and the listing waits in a write.
        wait("the listing to wait", lambda: zorm_syscall(tty) == ("S", ["1"]), reading=False)
        os.write(master, b"\x03")
        wait("the line editor", lambda: zorm_waiting(tty))
        listed = bytes(output[before:])
        if len(listed) > 200000 or b"v%06d" % (count - 1) in listed:
            raise Failure("the listing went on: %d bytes" % len(listed))
        os.write(master, b"\x157\r")  # Ctrl-U: the line was kept
        wait("the result", lambda: b"> 7\r\n" in output[before:])
        wait("the line editor", lambda: zorm_waiting(tty))
        os.write(master, b"\x04")
        if proc.wait(timeout=TIMEOUT) != 0:
            raise Failure("exit status %d" % proc.returncode)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        os.close(master)


def editrc_not_a_regular_file(zorm, tmp):
    """A settings file that is a FIFO (never waited on), a directory or a
    device is skipped with one notice; an unknown terminal type gives one
    notice in zorm's style; the session goes on in every case."""
    fifo = os.path.join(tmp, "fifo")
    os.mkfifo(fifo)
    os.makedirs(os.path.join(tmp, "dir"))
    cases = [
        (["EDITRC=" + fifo], ["{Editor settings not read: %s: Not a regular file}" % fifo]),
        (["HOME=" + os.path.join(tmp, "dir"), "EDITRC=" + os.path.join(tmp, "dir")],
         ["{Editor settings not read: %s/dir: Not a regular file}" % tmp]),
        (["EDITRC=/dev/null"], ["{Editor settings not read: /dev/null: Not a regular file}"]),
        (["TERM=no-such-terminal"], ["{Unknown terminal type `no-such-terminal': editing as on a dumb terminal}"]),
    ]
    for i, (env, notice) in enumerate(cases):
        pane = zorm_pane(zorm, tmp, pane_dir="pane%d" % i, env=env)
        try:
            pane.wait_editor()
            pane.wait_screen(notice)
            pane.end_input(pane.run_steps([(["1 + 1"], ["1 + 1", "> 2"])], notice))
        except Failure as e:
            raise Failure("%s: %s" % (env, e))
        finally:
            pane.close()


def bracketed_paste(zorm, tmp):
    """Pasted text goes into the line without being entered; a pasted block
    of 1,000 lines is entered line by line, each shown once and followed by
    what it prints through a pipe."""
    lines = []
    for i in range(1000):
        lines.append([b"%d + %d" % (i, i), b"w%d = %d" % (i, i), b"w%d * 3" % (i - 1), b"sqrt %d" % i][i % 4])
    r = subprocess.run(environment(tmp) + [zorm, "dw"], input=b"".join(l + b"\n" for l in lines),
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=True)
    results = r.stdout.decode().split("\n")[:-2]
    expected = []
    for line in lines:
        expected.append(line.decode())
        if not line.startswith(b"w") or b"=" not in line:
            expected.append(results.pop(0))
    if results:
        raise Failure("the pipe printed more: %r" % results[:3])

    pane = zorm_pane(zorm, tmp)
    buffer = os.path.join(tmp, "paste")

    def paste(text):
        with open(buffer, "wb") as f:
            f.write(text)
        pane.tmux("load-buffer", buffer)
        pane.tmux("paste-buffer", "-p", "-t", "zorm")

    try:
        pane.wait_editor()
        pane.type("2 * ")
        paste(b"3 + 4")
        pane.wait_screen(["2 * 3 + 4"], "the paste in the line")
        pane.wait_editor()
        pane.keys("Enter")
        screen = ["2 * 3 + 4", "> 10"]
        pane.wait_screen(screen)
        pane.wait_editor()
        paste(b"\n".join(lines) + b"\n")
        screen += expected
        pane.wait_screen(screen, "the screen after the paste")
        pane.end_input(screen)
    finally:
        pane.close()


TESTS = [editing_session, typed_text_as_through_a_pipe, ctrl_c_cancels_the_line, ctrl_z_without_job_control,
         ctrl_z_with_job_control, history_across_runs, history_keeps_the_last_1000, history_unusable,
         two_sessions_at_once, ways_out_restore_the_terminal, typed_ahead_stays_with_the_terminal,
         not_a_terminal, zorm_keys_survive_the_editrc, reverse_search_then_a_cursor_key, resize_redraws_the_line,
         readline_keys, last_result_key, completion_asks_before_a_long_listing, ctrl_c_stops_a_listing,
         editrc_not_a_regular_file, bracketed_paste]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if shutil.which("tmux") is None:
        print("SKIPPED: tmux is not installed; the line-editing test needs it (tools/deps.sh installs it)")
        return 0
    zorm = os.path.abspath(sys.argv[1])
    chosen = [t for t in TESTS if len(sys.argv) == 2 or t.__name__ in sys.argv[2:]]
    failures = 0
    for test in chosen:
        with tempfile.TemporaryDirectory(prefix="zorm-tty-") as tmp:
            try:
                test(zorm, tmp)
                print("ok   %s" % test.__name__)
            except Failure as e:
                failures += 1
                print("FAIL %s: %s" % (test.__name__, e))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
