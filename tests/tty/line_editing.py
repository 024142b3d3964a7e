#!/usr/bin/env python3
"""Line editing in a real terminal: runs zorm in a tmux pane, types keys and
reads the screen back.

Usage: line_editing.py ZORM

Skips (exit status 0, with a message) when tmux is not installed.
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import termios
import time

TIMEOUT = 30.0  # seconds to wait for any one screen state; generous on purpose


class Failure(Exception):
    pass


class Pane:
    """One tmux server of our own with one pane running a shell command; the
    command's exit status is written to a file when it ends."""

    def __init__(self, tmp, command):
        self.sock = os.path.join(tmp, "tmux.sock")
        self.status_file = os.path.join(tmp, "status")
        conf = os.path.join(tmp, "tmux.conf")
        with open(conf, "w") as f:
            f.write("set -g remain-on-exit on\nset -g default-shell /bin/sh\n")
        command = "%s; echo $? > %s" % (command, shlex.quote(self.status_file))
        self.tmux("-f", conf, "new-session", "-d", "-s", "zorm", "-x", "100", "-y", "40", command)
        self.tty = self.tmux("display-message", "-p", "-t", "zorm", "#{pane_tty}").strip()

    def tmux(self, *args):
        return subprocess.run(["tmux", "-S", self.sock, *args], check=True,
                              capture_output=True, text=True).stdout

    def close(self):
        subprocess.run(["tmux", "-S", self.sock, "kill-server"], capture_output=True)

    def type(self, text):
        self.tmux("send-keys", "-t", "zorm", "-l", text)

    def keys(self, *names):
        self.tmux("send-keys", "-t", "zorm", *names)

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

    def raw_mode(self):
        """True while the terminal is out of canonical mode, i.e. the editor reads it."""
        fd = os.open(self.tty, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            return not termios.tcgetattr(fd)[3] & termios.ICANON
        finally:
            os.close(fd)

    def wait(self, what, predicate):
        deadline = time.monotonic() + TIMEOUT
        while True:
            if predicate():
                return
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for %s; screen:\n%s" % (what, "\n".join(self.screen())))
            time.sleep(0.05)

    def wait_editor(self):
        # Keys typed while the terminal is still in canonical mode would be
        # echoed twice (by the terminal, then by the editor), so every line is
        # typed only once the editor has taken the terminal.
        self.wait("the line editor", self.raw_mode)

    def wait_exit(self):
        self.wait("the end of the process", lambda: self.exit_status() is not None)
        return self.exit_status()


def check_screen(pane, expected):
    got = pane.screen()
    if got != expected:
        raise Failure("screen differs\n--- expected\n%s\n--- got\n%s" % ("\n".join(expected), "\n".join(got)))


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
    ]
    pane = Pane(tmp, shlex.join([zorm, "dw"]))
    try:
        screen = []
        for keys, lines in steps:
            pane.wait_editor()
            for k in keys:
                if isinstance(k, tuple):
                    pane.keys(*k)
                else:
                    pane.type(k)
            pane.keys("Enter")
            screen += lines
            pane.wait("the screen after %r" % (keys,), lambda: pane.screen() == screen)
        pane.wait_editor()
        pane.keys("C-d")
        status = pane.wait_exit()
        check_screen(pane, screen + ["{End of file reached}"])
        if status != 0:
            raise Failure("exit status %d after Ctrl-D" % status)
    finally:
        pane.close()


def output_not_a_terminal(zorm, tmp):
    """With standard output redirected, keys reach zorm unedited: the arrow
    key's bytes stay in the line, which then fails to lex."""
    out = os.path.join(tmp, "out.txt")
    pane = Pane(tmp, "%s dw > %s" % (shlex.quote(zorm), shlex.quote(out)))
    try:
        pane.type("1 + 2")
        pane.keys("Left")
        pane.type("3")
        pane.keys("Enter")
        pane.type("2 * 21")
        pane.keys("Enter", "C-d")
        status = pane.wait_exit()
        with open(out) as f:
            written = f.read()
        if written != "> Error.\n> 42\n" or status != 0:
            raise Failure("redirected output %r, exit status %s" % (written, status))
    finally:
        pane.close()


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    if shutil.which("tmux") is None:
        print("SKIPPED: tmux is not installed; the line-editing test needs it (tools/deps.sh installs it)")
        return 0
    zorm = os.path.abspath(sys.argv[1])
    failures = 0
    for test in (editing_session, output_not_a_terminal):
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
