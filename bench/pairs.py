#!/usr/bin/env python3
"""Prints the micro-benchmark table from the JSON output of microbench.

usage: pairs.py RESULTS.json

Benchmarks are named AREA/VARIANT; in each area the variant whose name
starts with "plain" is the plain version the others are weighed against.
For every benchmark: the median CPU time of one item (line, number, value,
statement) over the repetitions, its spread (lowest to highest repetition),
and the plain version's median divided by this one (above 1: the trick is
faster).
"""

import json
import sys


def fmt(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} µs"
    return f"{ns:.1f} ns"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        data = json.load(f)
    runs = {}    # name -> CPU ns per item of each repetition
    kinds = {}
    family = {}  # name -> its place in the order of registration
    for b in data["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        name = b["run_name"]
        runs.setdefault(name, []).append(1e9 / b["items_per_second"])
        kinds[name] = b.get("label", "item")
        family[name] = b.get("family_index", len(family))
    # Repetitions run interleaved at random: the table keeps the order in
    # which the benchmarks are registered.
    order = sorted(runs, key=lambda n: family[n])

    def median(xs):
        xs = sorted(xs)
        n = len(xs)
        return xs[n // 2] if n % 2 else (xs[n // 2 - 1] + xs[n // 2]) / 2

    areas = {}
    for name in order:
        areas.setdefault(name.split("/", 1)[0], []).append(name)
    print("| benchmark | per | CPU time (median) | lowest to highest | plain / this |")
    print("|---|---|---:|---:|---:|")
    for area, names in areas.items():
        plain = next((n for n in names if n.split("/", 1)[1].startswith("plain")), None)
        for name in names:
            m = median(runs[name])
            ratio = f"{median(runs[plain]) / m:.2f}" if plain else ""
            spread = f"{fmt(min(runs[name]))} to {fmt(max(runs[name]))}"
            print(f"| {name} | {kinds[name]} | {fmt(m)} | {spread} | {ratio} |")
    reps = max(len(r) for r in runs.values()) if runs else 0
    print()
    print(f"{reps} repetitions of each, interleaved at random; load average "
          f"{data['context'].get('load_avg', '?')}")


if __name__ == "__main__":
    main()
