#!/usr/bin/env python3
"""The performance ledger, bench/ledger.md: the one place for the figures of
the speed tricks and of the whole program. Written by the benchmark scripts
(never by hand), each row with its date and commit.

usage: ledger.py micro RESULTS.json      rows of the tricks measured in a
                                         microbench JSON output (tools/microbench.sh)
       ledger.py check [ROOT]            fails when a trick named in src/ or
                                         include/ has no row, or a row names a
                                         trick or a pair that is gone

A trick is named in the code by a tag comment line:
  // Trick NAME; plain: PLAIN TWIN; bench: A/x vs A/plain_y[, B/x vs B/plain_y].
Each "vs" pair is a micro-benchmark of the trick and of its plain twin; the
ledger has one row a pair. Whole-program rows come from bench/compare.py
--ledger (see there).
"""

import datetime
import json
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
LEDGER = os.path.join(HERE, "ledger.md")
TAG = re.compile(r"//\s*Trick ([a-z0-9-]+); plain: (.+?); bench: (.+)\.\s*$")

TRICKS = "## Speed tricks against their plain versions"
WHOLE = "## The whole program"
TRICK_HEAD = ("| trick | benchmark | plain version | per | trick's time | plain time | plain / trick "
              "| repetitions | date | commit |")
WHOLE_HEAD = "| workload | measure | binary | figure | date | commit |"


def tags(root=ROOT):
    """{trick: (plain, [(bench, plain_bench)], "file:line")} from the code."""
    found = {}
    for top in ("src", "include"):
        for d, _, files in os.walk(os.path.join(root, top)):
            for f in sorted(files):
                if not f.endswith((".h", ".cpp", ".in")):
                    continue
                path = os.path.join(d, f)
                with open(path, encoding="utf-8") as fh:
                    for n, line in enumerate(fh, 1):
                        m = TAG.search(line)
                        if not m:
                            if "// Trick " in line:
                                raise SystemExit(f"{path}:{n}: a trick tag that does not parse: {line.strip()}")
                            continue
                        name, plain, bench = m.groups()
                        pairs = []
                        for part in bench.split(","):
                            a, vs, b = part.strip().partition(" vs ")
                            if not vs:
                                raise SystemExit(f"{path}:{n}: bench pairs are written 'A/x vs A/plain_y'")
                            pairs.append((a.strip(), b.strip()))
                        if name in found:
                            raise SystemExit(f"{path}:{n}: trick {name} is tagged twice")
                        found[name] = (plain, pairs, f"{os.path.relpath(path, root)}:{n}")
    return found


def commit():
    try:
        head = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
        dirty = subprocess.run(["git", "-C", ROOT, "status", "--porcelain", "--untracked-files=no"],
                               capture_output=True, text=True).stdout.strip()
        return head + ("+changes" if dirty else "")
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def today():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")


def read():
    """The rows of both tables, as lists of cells."""
    tables = {TRICKS: [], WHOLE: []}
    if not os.path.exists(LEDGER):
        return tables
    section = None
    with open(LEDGER, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("## "):
                section = line if line in tables else None
                continue
            if section and line.startswith("| ") and not line.startswith("| trick |") \
                    and not line.startswith("| workload |"):
                tables[section].append([c.strip() for c in line.strip("|").split("|")])
    return tables


def write(tables):
    out = ["# Performance ledger", "",
           "Written by the benchmark scripts, never by hand: `tools/microbench.sh` (the speed tricks",
           "against their plain versions, Google Benchmark, repetitions interleaved at random, medians)",
           "and `bench/compare.py --ledger` (the whole program: callgrind instructions a line, or the",
           "median CPU ratio of paired, alternating runs). Each row gives the date and the commit it was",
           "measured on (`+changes`: with uncommitted changes). The test `ledger` keeps the rows and the",
           "tricks named in the code in step.", "", TRICKS, "", TRICK_HEAD,
           "|---|---|---|---|---:|---:|---:|---:|---|---|"]
    for row in sorted(tables[TRICKS], key=lambda r: (r[0], r[1])):
        out.append("| " + " | ".join(row) + " |")
    out += ["", WHOLE, "", WHOLE_HEAD, "|---|---|---|---:|---|---|"]
    for row in tables[WHOLE]:
        out.append("| " + " | ".join(row) + " |")
    with open(LEDGER, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def fmt(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} µs"
    return f"{ns:.1f} ns"


def micro(results_path):
    with open(results_path) as f:
        data = json.load(f)
    runs, kinds = {}, {}
    for b in data["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        runs.setdefault(b["run_name"], []).append(1e9 / b["items_per_second"])
        kinds[b["run_name"]] = b.get("label", "item")

    def median(xs):
        xs = sorted(xs)
        n = len(xs)
        return xs[n // 2] if n % 2 else (xs[n // 2 - 1] + xs[n // 2]) / 2

    tables = read()
    rows = {(r[0], r[1]): r for r in tables[TRICKS]}
    stamp = (today(), commit())
    for name, (plain, pairs, _) in tags().items():
        for a, b in pairs:
            if a not in runs or b not in runs:
                continue
            ta, tb = median(runs[a]), median(runs[b])
            rows[(name, a)] = [name, a, b, kinds[a], fmt(ta), fmt(tb), f"{tb / ta:.2f}",
                               str(min(len(runs[a]), len(runs[b]))), *stamp]
    tables[TRICKS] = list(rows.values())
    write(tables)


def whole(rows):
    """Replaces the whole-program rows of the same workload, measure and binary."""
    tables = read()
    stamp = [today(), commit()]
    kept = {(r[0], r[1], r[2]): r for r in tables[WHOLE]}
    for workload, measure, binary, figure in rows:
        kept[(workload, measure, binary)] = [workload, measure, binary, figure, *stamp]
    tables[WHOLE] = list(kept.values())
    write(tables)


def check(root):
    global LEDGER
    LEDGER = os.path.join(root, "bench", "ledger.md")
    named = tags(root)
    rows = read()[TRICKS]
    problems = []
    for name, (_, pairs, where) in named.items():
        for a, b in pairs:
            if not any(r[0] == name and r[1] == a and r[2] == b for r in rows):
                problems.append(f"{where}: trick {name} has no ledger row for {a} vs {b} "
                                f"(run tools/microbench.sh)")
    for r in rows:
        if r[0] not in named:
            problems.append(f"bench/ledger.md: a row names trick {r[0]}, which no code names")
        elif (r[1], r[2]) not in named[r[0]][1]:
            problems.append(f"bench/ledger.md: trick {r[0]} no longer pairs {r[1]} with {r[2]}")
    for p in problems:
        print(p)
    print(f"{len(named)} tricks, {len(rows)} ledger rows" + (f", {len(problems)} problems" if problems else ""))
    return 1 if problems else 0


def main(argv):
    if len(argv) >= 2 and argv[1] == "micro" and len(argv) == 3:
        micro(argv[2])
        return 0
    if len(argv) >= 2 and argv[1] == "check":
        return check(os.path.abspath(argv[2]) if len(argv) > 2 else ROOT)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
