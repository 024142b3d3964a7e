#!/usr/bin/env python3
"""Names crafted to share one hash of the variable table against random names
of the same length: CPU time of zorm binding every name and then reading
every one.

usage: crafted_names.py [--sizes N,N,...] [--rounds R] [--limit S] BINARY...

The table's hash (h = h * 19 + byte) adds the same for "at" and for "ba", so
the 2^k names made of k such pairs all share one hash; the random names are
k * 2 random lowercase letters. For each size N the input is N lines
"NAME = 1" followed by N lines "NAME" (in another order), run as
`zorm dw < input > /dev/null`.

Rounds are paired and alternating (crafted then random, then random then
crafted, ...) so that a change in the machine's load falls on both alike.
Prints, per binary and size, the median CPU time (user + system) of each
kind and the median ratio crafted / random over the rounds. A run that
exceeds --limit seconds of CPU (default 600) is stopped and shown as "> S".
"""

import argparse
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile


def crafted(count):
    pairs = max(1, (count - 1).bit_length())
    for i in range(count):
        yield "".join("at" if (i >> b) & 1 else "ba" for b in range(pairs))


def random_names(count, seed=11):
    pairs = max(1, (count - 1).bit_length())
    rng = random.Random(seed)
    seen = set()
    while len(seen) < count:
        name = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(2 * pairs))
        if name not in seen:
            seen.add(name)
            yield name


def write_input(path, names):
    names = list(names)
    order = names[:]
    random.Random(3).shuffle(order)
    with open(path, "w") as f:
        for n in names:
            f.write(f"{n} = 1\n")
        for n in order:
            f.write(f"{n}\n")


def cpu_time(binary, path, limit):
    def limit_cpu():
        resource.setrlimit(resource.RLIMIT_CPU, (limit, limit + 1))

    with open(path, "rb") as inp, open(os.devnull, "wb") as null:
        p = subprocess.Popen([binary, "dw"], stdin=inp, stdout=null, stderr=subprocess.DEVNULL,
                             preexec_fn=limit_cpu)
        _, status, usage = os.wait4(p.pid, 0)
    spent = usage.ru_utime + usage.ru_stime
    if status != 0:
        return None  # stopped at the limit
    return spent


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--sizes", default="65536,262144,1000000")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--limit", type=int, default=600)
    ap.add_argument("binaries", nargs="+")
    args = ap.parse_args()
    sizes = [int(s) for s in args.sizes.split(",")]
    with tempfile.TemporaryDirectory(prefix="zorm-crafted-") as d:
        for size in sizes:
            paths = {"crafted": os.path.join(d, f"crafted-{size}"), "random": os.path.join(d, f"random-{size}")}
            write_input(paths["crafted"], crafted(size))
            write_input(paths["random"], random_names(size))
            for binary in args.binaries:
                times = {"crafted": [], "random": []}
                ratios = []
                for r in range(args.rounds):
                    kinds = ("crafted", "random") if r % 2 == 0 else ("random", "crafted")
                    got = {k: cpu_time(binary, paths[k], args.limit) for k in kinds}
                    for k in kinds:
                        times[k].append(got[k])
                    if None in got.values():
                        break  # a run over the limit: one round says enough
                    ratios.append(got["crafted"] / got["random"])

                def shown(ts):
                    if None in ts:
                        return f"> {args.limit} s"
                    return f"{statistics.median(ts):.3f} s"

                ratio = f"{statistics.median(ratios):.2f}" if ratios else "-"
                print(f"{binary}: {size:,} names of {2 * max(1, (size - 1).bit_length())} bytes: "
                      f"crafted {shown(times['crafted'])}, random {shown(times['random'])}, "
                      f"crafted / random {ratio} ({len(times['random'])} rounds)")
                sys.stdout.flush()


if __name__ == "__main__":
    main()
