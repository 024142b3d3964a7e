#!/usr/bin/env python3
"""Writes the inputs of the micro-benchmarks, from bench.py's generators and
with its seeds, so that they measure the lines the whole-program benchmark
runs.

usage: microbench_inputs.py DIR

    DIR/arith.txt   the first 20,000 lines of the arith workload
    DIR/vars.txt    the vars workload's 1,000 assignments, then 19,000 of its lines
    DIR/prose.txt   the first MiB of the replace workload's prose
"""

import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402

LINES = 20_000


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        bench.make_arith(scratch, LINES)
        bench.make_vars(scratch, LINES)
        bench.make_replace(scratch, 1 << 20)
        for src, dst in (("arith.zorm", "arith.txt"), ("vars.zorm", "vars.txt"),
                         ("replace.txt", "prose.txt")):
            os.replace(os.path.join(scratch, src), os.path.join(out, dst))


if __name__ == "__main__":
    main()
