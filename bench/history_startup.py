#!/usr/bin/env python3
"""Start-up time and peak memory of zorm at a terminal whose history file is
one line of SIZE bytes.

usage: history_startup.py [--size BYTES] [--rounds N] BINARY...

Each run gets a temporary HOME holding the history file, runs
`/usr/bin/time -v BINARY dw` on a pseudo-terminal of its own, types "1+2"
once the editor reads keys, then Ctrl-D after the result, and reads the elapsed time and the maximum resident set
size that time(1) reports. The binaries take turns, round after round.
Prints, per binary, the median elapsed time and the largest peak.
"""

import argparse
import os
import pty
import re
import select
import statistics
import tempfile
import termios


def run(binary, home):
    pid, master = pty.fork()
    if pid == 0:
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8", "TERM": "xterm"}
        os.execve("/usr/bin/time", ["/usr/bin/time", "-v", binary, "dw"], env)
    out = b""
    # Typed once the editor reads keys (the terminal out of canonical mode):
    # what is typed before may be flushed when it sets the terminal up.
    while termios.tcgetattr(master)[3] & termios.ICANON:
        ready, _, _ = select.select([master], [], [], 0.01)
        if ready:
            try:
                out += os.read(master, 65536)
            except OSError:
                break
    os.write(master, b"1+2\r")
    while b"> 3" not in out:
        ready, _, _ = select.select([master], [], [], 600)
        if not ready:
            break
        out += os.read(master, 65536)
    os.write(master, b"\x04")
    while True:
        ready, _, _ = select.select([master], [], [], 600)
        if not ready:
            break
        try:
            data = os.read(master, 65536)
        except OSError:
            break
        if not data:
            break
        out += data
    os.waitpid(pid, 0)
    os.close(master)
    text = out.decode("utf-8", "replace")
    elapsed = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)", text)
    rss = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    if not elapsed or not rss or "> 3" not in text:
        raise SystemExit(f"history_startup: unexpected output from {binary}:\n{text[-3000:]}")
    h, m, s = elapsed.groups()
    return (int(h or 0) * 3600 + int(m) * 60 + float(s)), int(rss.group(1)) * 1024


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--size", type=int, default=1 << 30)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("binaries", nargs="+")
    args = ap.parse_args()
    with tempfile.TemporaryDirectory(prefix="zorm-history-bench-") as tmp:
        results = {b: [] for b in args.binaries}
        for _ in range(args.rounds):
            for b in args.binaries:
                home = os.path.join(tmp, "home")
                state = os.path.join(home, ".local", "state", "zorm")
                os.makedirs(state, exist_ok=True)
                path = os.path.join(state, "history")
                with open(path, "wb") as f:
                    chunk = b"1" * (1 << 20)
                    for _ in range(args.size >> 20):
                        f.write(chunk)
                    f.write(b"1" * (args.size & ((1 << 20) - 1)))
                os.chmod(path, 0o600)
                results[b].append(run(os.path.abspath(b), home))
        for b, rs in results.items():
            print(f"{b}: a history of one line of {args.size:,} bytes: start-up and one line "
                  f"{statistics.median(r[0] for r in rs):.2f} s (median of {len(rs)}), "
                  f"peak memory {max(r[1] for r in rs) / (1 << 20):,.1f} MiB")


if __name__ == "__main__":
    main()
