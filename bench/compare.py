#!/usr/bin/env python3
"""Compares zorm builds on one workload of bench.py, for the decisions the
micro-benchmarks cannot settle alone: CPU time in paired, alternating runs
(A B A B ..., so that a change in the machine's load falls on both alike)
and callgrind's instruction counts.

usage: compare.py [--workload W] [--rounds N] [--pipe] [--callgrind] A B [C ...]

    --workload  arith (default), vars, replace, nested (1,000,000 nested
                brackets) or startup (`zorm c 1+2`, 200 processes a run)
    --rounds    rounds of one run of each binary, in turn (default 10)
    --pipe      standard output into a pipe (read by cat) instead of /dev/null
    --callgrind instructions per line instead, on the first 20,000 lines
                (nested: the one statement; startup: one process)
    --ledger    also writes the figures into the ledger's whole-program
                table (bench/ledger.md), each binary named by --label
    --label     the names of the binaries in the ledger, comma-separated
                (default: their paths)

The workloads are written with bench.py's generators and seeds (arith and
vars: 1,000,000 lines; replace: 100 MiB of prose), to --scratch.

Prints, for each binary, the median CPU time (user + system) of a run and,
for the second and later, the median over the rounds of the ratio of its
time to A's in the same round, with the lowest and highest ratio.
"""

import argparse
import os
import re
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402
import ledger  # noqa: E402

CALLGRIND_LINES = 20_000


def workload(name, scratch, lines):
    """(arguments after the binary, standard input path, lines)."""
    os.makedirs(scratch, exist_ok=True)
    path = os.path.join(scratch, f"{name}-{lines}.txt")
    if name == "arith":
        if not os.path.exists(path):
            bench.make_arith(scratch, lines)
            os.replace(os.path.join(scratch, "arith.zorm"), path)
        return ["dw"], path, lines
    if name == "vars":
        if not os.path.exists(path):
            bench.make_vars(scratch, lines)
            os.replace(os.path.join(scratch, "vars.zorm"), path)
        return ["dw"], path, lines
    if name == "replace":
        full = os.path.join(scratch, "replace.txt")
        if not os.path.exists(full):
            bench.make_replace(scratch, 100 << 20)
        if lines == CALLGRIND_LINES:
            if not os.path.exists(path):
                bench.head(full, path, lines)
            return ["r"], path, lines
        return ["r"], full, bench.count_lines(full)
    if name == "nested":
        path = os.path.join(scratch, "nested.txt")
        if not os.path.exists(path):
            with open(path, "w") as f:
                f.write("(" * 1_000_000 + "1" + ")" * 1_000_000 + "\n")
        return ["dw"], path, 1
    if name == "startup":
        return ["c", "1+2"], os.devnull, 1
    sys.exit(f"compare: unknown workload {name}")


def cpu_time(cmd, stdin_path, repeat=1, pipe=False):
    """CPU time (user + system) of the command alone, summed over `repeat` runs."""
    total = 0.0
    for _ in range(repeat):
        with open(stdin_path, "rb") as inp, open(os.devnull, "wb") as null:
            reader = None
            out = null
            if pipe:
                reader = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=null)
                out = reader.stdin
            p = subprocess.Popen(cmd, stdin=inp, stdout=out, stderr=subprocess.DEVNULL)
            _, status, usage = os.wait4(p.pid, 0)
            if reader:
                reader.stdin.close()
                reader.wait()
        if status != 0:
            sys.exit(f"compare: {' '.join(cmd)} failed ({status})")
        total += usage.ru_utime + usage.ru_stime
    return total


def instructions(cmd, stdin_path):
    with open(stdin_path, "rb") as inp:
        r = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", *cmd],
                           stdin=inp, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    m = re.search(r"Collected : (\d+)", r.stderr)
    if not m:
        sys.exit(f"compare: no callgrind count for {' '.join(cmd)}:\n{r.stderr}")
    return int(m.group(1))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--workload", default="arith")
    ap.add_argument("--rounds", type=int, default=10)
    ap.add_argument("--callgrind", action="store_true")
    ap.add_argument("--pipe", action="store_true")
    ap.add_argument("--scratch", default=os.environ.get("ZORM_BENCH_DIR", "/tmp/zorm-compare"))
    ap.add_argument("--ledger", action="store_true")
    ap.add_argument("--label", default="")
    ap.add_argument("binaries", nargs="+")
    args = ap.parse_args()
    bins = [os.path.abspath(b) for b in args.binaries]
    labels = dict(zip(bins, args.label.split(","))) if args.label else {}
    rows = []

    if args.callgrind:
        words, path, lines = workload(args.workload, args.scratch, CALLGRIND_LINES)
        base = None
        for b in bins:
            n = instructions([b, *words], path)
            per = n / lines
            note = "" if base is None else f"  ({per / base:.4f} of the first)"
            base = base or per
            print(f"{b}: {n:,} instructions, {per:,.0f} a line{note}")
            rows.append((args.workload, "callgrind instructions a line (first 20,000 lines)",
                         labels.get(b, b), f"{per:,.0f}"))
        if args.ledger:
            ledger.whole(rows)
        return

    words, path, lines = workload(args.workload, args.scratch, 1_000_000)
    repeat = 200 if args.workload == "startup" else 1
    times = {b: [] for b in bins}
    for b in bins:  # warm-up: caches, the page cache for the input
        cpu_time([b, *words], path, pipe=args.pipe)
    for _ in range(args.rounds):
        for b in bins:
            times[b].append(cpu_time([b, *words], path, repeat, args.pipe) / repeat)
    first = bins[0]
    print(f"{args.workload}: {args.rounds} rounds, {lines:,} lines a run, output to "
          f"{'a pipe' if args.pipe else '/dev/null'}; "
          f"load average {os.getloadavg()[0]:.2f}")
    for b in bins:
        med = statistics.median(times[b])
        line = f"{b}: median {med * 1e3:.1f} ms a run, {med / lines * 1e9:,.0f} ns a line"
        if b != first:
            ratios = [t / a for t, a in zip(times[b], times[first])]
            line += (f"; against the first: {statistics.median(ratios):.3f} "
                     f"({min(ratios):.3f} to {max(ratios):.3f})")
            rows.append((args.workload + (" (pipe)" if args.pipe else ""),
                         f"CPU time against {labels.get(first, first)}, median of {args.rounds} paired rounds",
                         labels.get(b, b), f"{statistics.median(ratios):.3f} "
                                           f"({min(ratios):.3f} to {max(ratios):.3f})"))
        print(line)
    if args.ledger:
        ledger.whole(rows)


if __name__ == "__main__":
    main()
