#!/usr/bin/env python3
"""Side-by-side benchmark of zorm against the calculators and filters a user
would pick instead.

    bench/bench.py            full run (a few minutes on two cores)
    bench/bench.py --quick    smoke run with small workloads and few runs

Installs hyperfine and the peers from Debian packages when they are missing,
builds zorm in Release (build/bench-run) unless --zorm names a binary,
generates the workloads with fixed seeds into a scratch directory, checks on a
sample that every tool computes the same numbers, times every command with
hyperfine (warm-up, several runs; output to /dev/null and to a pipe) and
prints, per workload, each peer's time per line divided by zorm's.
"""

import argparse
import json
import math
import os
import random
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Debian package for each tool.
PACKAGES = {
    "hyperfine": "hyperfine", "bc": "bc", "mawk": "mawk", "gawk": "gawk",
    "perl": "perl", "python3": "python3", "calc": "apcalc", "sed": "sed",
    "cat": "coreutils", "true": "coreutils", "/usr/bin/time": "time",
}

UTF8 = "C.UTF-8"


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def ensure_tools():
    missing = sorted({PACKAGES[t] for t in PACKAGES if shutil.which(t) is None})
    if not os.path.exists("/usr/bin/python3"):
        missing.append("python3")
    if not missing:
        return
    log("installing:", " ".join(missing))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update", "-qq"], check=False, env=env)
    subprocess.run(["apt-get", "install", "-y", "-qq", *missing], check=False, env=env)
    for t in PACKAGES:
        if shutil.which(t) is None and t != "calc":
            sys.exit(f"bench: {t} is missing and could not be installed")


def build_zorm():
    build = os.path.join(ROOT, "build", "bench-run")
    subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                    "-DZORM_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(build, "zorm")


# ---------------------------------------------------------------------------
# Workloads

class Num:
    def __init__(self, text):
        self.text, self.value = text, float(text)


class Neg:
    def __init__(self, x):
        self.x, self.value = x, -x.value


class Bin:
    def __init__(self, op, a, b, value):
        self.op, self.a, self.b, self.value = op, a, b, value


class Pow:
    def __init__(self, a, e, value):
        self.a, self.e, self.value = a, e, value


class Fn:
    def __init__(self, name, x, value):
        self.name, self.x, self.value = name, x, value


FUNCS = {
    "sqrt": (math.sqrt, lambda v: v > 0),
    "sin": (math.sin, lambda v: abs(v) < 50),
    "cos": (math.cos, lambda v: abs(v) < 50),
    "ln": (math.log, lambda v: v > 1e-3),
    "exp": (math.exp, lambda v: abs(v) < 20),
}


def number(rng):
    k = rng.random()
    if k < 0.35:
        return Num(str(rng.randint(1, 99)))
    if k < 0.85:
        return Num(f"{rng.randint(0, 99)}.{rng.randint(0, 99):02d}".rstrip("0").rstrip("."))
    return Num(f"0.{rng.randint(1, 999):03d}")


def ok(v):
    return math.isfinite(v) and abs(v) < 1e9 and (v == 0 or abs(v) > 1e-6)


def gen(rng, ops):
    """An expression tree with `ops` operators (binary operators and functions)."""
    while True:
        if ops == 0:
            n = number(rng)
            return Neg(n) if rng.random() < 0.1 else n
        k = rng.random()
        if k < 0.15:
            name = rng.choice(list(FUNCS))
            fn, domain = FUNCS[name]
            x = gen(rng, ops - 1)
            if domain(x.value):
                t = Fn(name, x, fn(x.value))
                if ok(t.value):
                    return Neg(t) if rng.random() < 0.05 else t
            continue
        if k < 0.27:
            a = gen(rng, ops - 1)
            e = rng.choice([2, 2, 3])
            try:
                v = a.value ** e
            except OverflowError:
                continue
            if ok(v):
                return Pow(a, e, v)
            continue
        left = rng.randint(0, ops - 1)
        a, b = gen(rng, left), gen(rng, ops - 1 - left)
        op = rng.choice("+-*/")
        if op == "/" and abs(b.value) < 1e-2:
            continue
        v = {"+": a.value + b.value, "-": a.value - b.value,
             "*": a.value * b.value, "/": a.value / b.value if b.value else 0}[op]
        if ok(v):
            return Bin(op, a, b, v)


# zorm's levels: + - 7, * / 8, functions 10 (operand reaches over ^ only),
# ^ 11 (groups to the left), unary minus 13 (takes one unit).
LEVEL = {"+": 7, "-": 7, "*": 8, "/": 8}


def zorm_text(t):
    """(text, level) with the fewest brackets zorm needs."""
    if isinstance(t, Num):
        return t.text, 99
    if isinstance(t, Neg):
        s, lv = zorm_text(t.x)
        return ("-" + s if lv >= 13 else "-(" + s + ")"), 13
    if isinstance(t, Fn):
        s, _ = zorm_text(t.x)
        return f"{t.name}({s})", 10
    if isinstance(t, Pow):
        s, lv = zorm_text(t.a)
        if lv < 11:
            s = "(" + s + ")"
        return f"{s}^{t.e}", 11
    p = LEVEL[t.op]
    a, la = zorm_text(t.a)
    b, lb = zorm_text(t.b)
    if la < p:
        a = "(" + a + ")"
    if lb <= p:
        b = "(" + b + ")"
    sep = " " if t.op in "+-" else ""
    return f"{a}{sep}{t.op}{sep}{b}", p


PEER_FUNCS = {
    "bc": {"sqrt": "sqrt", "sin": "s", "cos": "c", "ln": "l", "exp": "e"},
    "awk": {"sqrt": "sqrt", "sin": "sin", "cos": "cos", "ln": "log", "exp": "exp"},
    "perl": {"sqrt": "sqrt", "sin": "sin", "cos": "cos", "ln": "log", "exp": "exp"},
    "python": {"sqrt": "sqrt", "sin": "sin", "cos": "cos", "ln": "log", "exp": "exp"},
    "calc": {"sqrt": "sqrt", "sin": "sin", "cos": "cos", "ln": "ln", "exp": "exp"},
}
POW_OP = {"bc": "^", "awk": "^", "perl": "**", "python": "**", "calc": "^"}


def peer_text(t, lang):
    """Fully bracketed text for a peer."""
    if isinstance(t, Num):
        return t.text
    if isinstance(t, Neg):
        return "(-" + peer_text(t.x, lang) + ")"
    if isinstance(t, Fn):
        return f"{PEER_FUNCS[lang][t.name]}({peer_text(t.x, lang)})"
    if isinstance(t, Pow):
        return f"({peer_text(t.a, lang)}{POW_OP[lang]}{t.e})"
    return f"({peer_text(t.a, lang)}{t.op}{peer_text(t.b, lang)})"


def write_lines(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines))
        f.write("\n")


def make_arith(d, n, seed=4):
    rng = random.Random(seed)
    trees = [gen(rng, rng.randint(3, 12)) for _ in range(n)]
    write_lines(f"{d}/arith.zorm", (zorm_text(t)[0] for t in trees))
    for lang in ("bc", "perl", "python", "calc"):
        write_lines(f"{d}/arith.{lang}", (peer_text(t, lang) for t in trees))
    with open(f"{d}/arith.awk", "w") as f:
        f.write('BEGIN {\nOFMT = "%.12g"\n')
        for t in trees:
            f.write("print " + peer_text(t, "awk") + "\n")
        f.write("}\n")


def make_vars(d, n, seed=5, nvars=1000):
    rng = random.Random(seed)
    stmts = [("set", i, None, f"{i % 97}.5") for i in range(nvars)]
    while len(stmts) < n:
        a, b = rng.randrange(nvars), rng.randrange(nvars)
        if rng.random() < 0.5:
            stmts.append(("assign", a, b, (rng.choice(["0.5", "0.25", "0.75"]), str(rng.randint(1, 9)))))
        else:
            stmts.append(("read", a, None, str(rng.randint(1, 9))))

    def render(lang):
        for kind, a, b, extra in stmts:
            sig = "$" if lang == "perl" else ""
            if kind == "set":
                s = f"{sig}v{a} = {extra}"
            elif kind == "assign":
                s = f"{sig}v{a} = {sig}v{b} * {extra[0]} + {extra[1]}"
            else:
                s = f"{sig}v{a} + {extra}"
                if lang == "perl":
                    s = f'print {s}, "\\n"'
                elif lang == "python":
                    s = f"print({s})"
                elif lang == "awk":
                    s = f"print {s}"
            yield s + (";" if lang == "perl" else "")

    for lang, ext in (("zorm", "zorm"), ("zorm", "bc"), ("perl", "perl"),
                      ("python", "python")):
        write_lines(f"{d}/vars.{ext}", render(lang))
    with open(f"{d}/vars.awk", "w") as f:
        f.write('BEGIN {\nOFMT = "%.12g"\n')
        for s in render("awk"):
            f.write(s + "\n")
        f.write("}\n")


WORDS = ("the of and to in is was that for on with as by at from this be are or which it "
         "an not have had has were but one all their there been would also more when "
         "calculator number result value line filter document text report table column "
         "average total sum ratio estimate budget quarter increase measure café naïve "
         "résumé déjà façade Zürich Straße smörgåsbord").split()


def make_replace(d, size, seed=6):
    rng = random.Random(seed)
    exprs = []
    for _ in range(4096):
        ops = rng.randint(1, 4)
        # + - * / and brackets only: the same text is valid perl.
        while True:
            t = gen(rng, ops)
            if not _has_only_basic(t):
                continue
            s = zorm_text(t)[0]
            if "-" in s and re.search(r"(^|[^\d.\s])\s*-", s):
                continue  # keep unary minus out: perl and zorm agree on the rest
            exprs.append(s)
            break
    block = []
    nbytes = 0
    target = min(size, 8 << 20)
    while nbytes < target:
        words = rng.choices(WORDS, k=rng.randint(4, 18))
        if rng.random() < 0.2:
            for _ in range(rng.randint(1, 3)):
                words.insert(rng.randrange(len(words) + 1), "[[" + rng.choice(exprs) + "]]")
        line = " ".join(words)
        if rng.random() < 0.5:
            line = line[0].upper() + line[1:] + "."
        block.append(line)
        nbytes += len(line.encode()) + 1
    data = ("\n".join(block) + "\n").encode()
    with open(f"{d}/replace.txt", "wb") as f:
        written = 0
        while written < size:
            f.write(data)
            written += len(data)
    return written


def _has_only_basic(t):
    if isinstance(t, Num):
        return True
    if isinstance(t, Bin):
        return _has_only_basic(t.a) and _has_only_basic(t.b)
    return False


def count_lines(path):
    n = 0
    with open(path, "rb") as f:
        while True:
            b = f.read(1 << 24)
            if not b:
                return n
            n += b.count(b"\n")


def head(src, dst, n, awk=False):
    """The first n lines of a workload; for an awk program, its first n statements."""
    with open(src) as f, open(dst, "w") as g:
        if awk:
            g.write(f.readline())
            g.write(f.readline())
        for i, line in enumerate(f):
            if i >= n:
                break
            if awk and line.startswith("}"):
                break
            g.write(line)
        if awk:
            g.write("}\n")


# ---------------------------------------------------------------------------
# Correctness check on a sample

NUM_RE = re.compile(r"[-+]?(?:\d+\.?\d*(?:[eE][-+]?\d+)?|\.\d+)")


def numbers(text):
    return [float(x) for x in NUM_RE.findall(text.replace("~", ""))]


def same(a, b, rel=1e-9):
    if len(a) != len(b):
        return False
    for x, y in zip(a, b):
        if not math.isclose(x, y, rel_tol=rel, abs_tol=1e-9):
            return False
    return True


def check(name, outputs, rel=1e-9):
    ref_name, ref = next(iter(outputs.items()))
    ref_nums = numbers(ref)
    for tool, out in outputs.items():
        nums = numbers(out)
        if not same(ref_nums, nums, rel):
            bad = next((i for i, (x, y) in enumerate(zip(ref_nums, nums))
                        if not math.isclose(x, y, rel_tol=rel, abs_tol=1e-9)), None)
            sys.exit(f"bench: {name}: {tool} disagrees with {ref_name} "
                     f"({len(nums)} vs {len(ref_nums)} numbers, first difference at #{bad}: "
                     f"{nums[bad] if bad is not None else ''} vs {ref_nums[bad] if bad is not None else ''})")
    log(f"check {name}: {len(ref_nums)} numbers agree across {', '.join(outputs)}")


def run_out(cmd, env=None):
    r = subprocess.run(cmd, shell=True, capture_output=True, text=True, env=env)
    return r.stdout


# ---------------------------------------------------------------------------
# Timing

class Bench:
    def __init__(self, args, scratch):
        self.args, self.scratch = args, scratch
        self.rows = []  # (workload, tool, lines, output, median, stddev)

    def hyperfine(self, commands, output, runs, warmup=1, shell=True):
        """commands: list of (name, command). Returns {name: (median, stddev, min, max)}."""
        js = os.path.join(self.scratch, "hf.json")
        cmd = ["hyperfine", "--style", "basic", "--warmup", str(warmup), "--runs", str(runs),
               "--output", output, "--export-json", js]
        if not shell:
            cmd.append("-N")
        for name, c in commands:
            cmd += ["-n", name, c]
        # hyperfine's warnings about noise and short commands go to stderr;
        # the spreads in the table say the same.
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(js) as f:
            res = json.load(f)["results"]
        out = {}
        for r in res:
            # CPU time (user + system, mean over the runs) is steadier than the
            # wall clock on a machine that other work shares.
            out[r["command"]] = (r["median"], r["stddev"] or 0.0, r["user"] + r["system"],
                                 r["max"])
        return out

    def time_workload(self, workload, commands, runs, outputs=("null", "pipe"), shell=True,
                      warmup=1):
        """commands: list of (tool, command, lines)."""
        for output in outputs:
            res = self.hyperfine([(t, c) for t, c, _ in commands], output, runs, warmup, shell)
            for tool, _, lines in commands:
                med, sd, cpu, hi = res[tool]
                self.rows.append((workload, tool, lines, output, med, sd, cpu, hi))

    def table(self):
        lines = []
        lines.append("| workload | tool | lines | output | median | sd | per line | peer/zorm "
                     "| CPU per line | peer/zorm (CPU) |")
        lines.append("|---|---|---:|---|---:|---:|---:|---:|---:|---:|")
        ref = {}
        for w, tool, n, o, med, sd, cpu, hi in self.rows:
            if tool == "zorm":
                ref[(w, o)] = (med / n, cpu / n)
        for w, tool, n, o, med, sd, cpu, hi in self.rows:
            per, cpu_per = med / n, cpu / n
            z = ref.get((w, o))
            if tool == "zorm" or not z:
                ratio = cpu_ratio = "1" if tool == "zorm" else ""
            else:
                ratio = f"{per / z[0]:.2f}"
                cpu_ratio = f"{cpu_per / z[1]:.2f}"
            lines.append(f"| {w} | {tool} | {n:,} | {o} | {fmt_time(med)} | ±{fmt_time(sd)} | "
                         f"{fmt_time(per)} | {ratio} | {fmt_time(cpu_per)} | {cpu_ratio} |")
        return "\n".join(lines)


def fmt_time(s):
    if s >= 1:
        return f"{s:.2f} s"
    if s >= 1e-3:
        return f"{s * 1e3:.1f} ms"
    if s >= 1e-6:
        return f"{s * 1e6:.2f} µs"
    return f"{s * 1e9:.0f} ns"


def measure_once(cmd, stdin_path):
    """Wall time and peak resident memory (bytes) of one run. GNU time reports
    the memory: a child forked straight from this (large) interpreter would
    count the interpreter's own pages."""
    with open(stdin_path, "rb") as inp:
        t0 = time.perf_counter()
        r = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], stdin=inp,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        t1 = time.perf_counter()
    kib = int(r.stderr.strip().splitlines()[-1])
    return t1 - t0, kib * 1024


def best_of(cmd, stdin_path, runs):
    times, mem = [], 0
    for _ in range(runs):
        t, m = measure_once(cmd, stdin_path)
        times.append(t)
        mem = max(mem, m)
    times.sort()
    return times[len(times) // 2], mem


def machine_summary(zorm):
    def first(cmd):
        try:
            r = subprocess.run(cmd, shell=True, capture_output=True, text=True)
            return (r.stdout or r.stderr).strip().splitlines()[0]
        except (IndexError, OSError):
            return "?"
    cpu = first("grep -m1 'model name' /proc/cpuinfo | cut -d: -f2").strip()
    mem = first("free -g | awk '/Mem:/ {print $2}'")
    load = first("cut -d' ' -f1-3 /proc/loadavg")
    kernel = first("uname -sr")
    kind = first(f"file -b {zorm} | grep -o '[a-z]*ally linked'")
    lines = [
        f"Machine: {cpu}, {os.cpu_count()} cores, {mem} GiB; {kernel}; load average {load}",
        f"zorm: {zorm} ({kind})",
        "Peers: " + "; ".join(first(c) for c in (
            "bc --version", "mawk -W version 2>&1", "gawk --version", "perl -e 'print qq(perl $^V)'",
            "/usr/bin/python3 --version", "calc -v", "sed --version", "hyperfine --version")),
    ]
    return "\n".join(lines)


# ---------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--quick", action="store_true", help="small workloads, few runs")
    ap.add_argument("--zorm", help="zorm binary to time (default: build one)")
    ap.add_argument("--scratch", default=os.environ.get("ZORM_BENCH_DIR", "/tmp/zorm-bench"))
    ap.add_argument("--only", default="arith,vars,startup,replace,scaling",
                    help="comma-separated workloads")
    args = ap.parse_args()
    only = set(args.only.split(","))

    ensure_tools()
    zorm = os.path.abspath(args.zorm) if args.zorm else build_zorm()
    d = args.scratch
    os.makedirs(d, exist_ok=True)
    q = args.quick
    N = 100_000 if q else 1_000_000
    runs = 2 if q else 5
    bench = Bench(args, d)
    notes = []
    have_calc = shutil.which("calc") is not None
    # Debian's python3, not a version manager's shell-script shim.
    py = "/usr/bin/python3"
    env_utf8 = dict(os.environ, LC_ALL=UTF8)

    # Slow peers run on the first lines of a workload; the table compares time
    # per line, so the sizes need not match.
    def part(n):
        return max(1000, n // 10 if q else n)

    if "arith" in only:
        log("generating arith...")
        make_arith(d, N)
        small = max(1000, N // 10)
        for ext in ("bc", "python", "calc", "perl"):
            head(f"{d}/arith.{ext}", f"{d}/arith-small.{ext}", small)
        sample = 2000
        for ext in ("zorm", "bc", "perl", "python", "calc"):
            head(f"{d}/arith.{ext}", f"{d}/arith-sample.{ext}", sample)
        head(f"{d}/arith.awk", f"{d}/arith-sample.awk", sample, awk=True)
        outs = {
            "zorm": run_out(f"{zorm} dw < {d}/arith-sample.zorm"),
            "mawk": run_out(f"mawk -f {d}/arith-sample.awk"),
            "gawk": run_out(f"gawk -f {d}/arith-sample.awk"),
            "perl": run_out(f"perl -ne 'print eval($_), \"\\n\"' {d}/arith-sample.perl"),
            "python3": run_out(f"{py} -c 'import sys\nfrom math import *\nfor l in sys.stdin: print(eval(l))' < {d}/arith-sample.python"),
            "bc": run_out(f"bc -l < {d}/arith-sample.bc"),
        }
        if have_calc:
            outs["calc"] = run_out(f"calc -p < {d}/arith-sample.calc")
        # The printed digits differ (12 for zorm, 15 to 20 for the others).
        check("arith", outs, rel=5e-11)
        cmds = [
            ("zorm", f"{zorm} dw < {d}/arith.zorm", N),
            ("mawk", f"mawk -f {d}/arith.awk", N),
            ("gawk", f"gawk -f {d}/arith.awk", N),
            ("perl", f"perl -ne 'print eval($_), \"\\n\"' {d}/arith-small.perl", small),
            ("python3", f"{py} -c 'import sys\nfrom math import *\nfor l in sys.stdin: print(eval(l))' < {d}/arith-small.python", small),
            ("bc -l", f"bc -l < {d}/arith-small.bc", small),
        ]
        if have_calc:
            head(f"{d}/arith.calc", f"{d}/arith-tiny.calc", small // 10)
            cmds.append(("calc", f"calc -p < {d}/arith-tiny.calc", small // 10))
        log("timing arith...")
        bench.time_workload("arith", cmds, runs)

    if "vars" in only:
        log("generating vars...")
        make_vars(d, N)
        small = max(2000, N // 10)
        for ext in ("bc", "python", "perl"):
            head(f"{d}/vars.{ext}", f"{d}/vars-small.{ext}", small)
        sample = 3000
        for ext in ("zorm", "bc", "perl", "python"):
            head(f"{d}/vars.{ext}", f"{d}/vars-sample.{ext}", sample)
        head(f"{d}/vars.awk", f"{d}/vars-sample.awk", sample, awk=True)
        perl_loop = "perl -ne 'eval $_'"
        py_loop = f"{py} -c 'import sys\ng = dict()\nfor l in sys.stdin: exec(l, g)'"
        outs = {
            "zorm": run_out(f"{zorm} dw < {d}/vars-sample.zorm"),
            "mawk": run_out(f"mawk -f {d}/vars-sample.awk"),
            "gawk": run_out(f"gawk -f {d}/vars-sample.awk"),
            "perl": run_out(f"{perl_loop} {d}/vars-sample.perl"),
            "python3": run_out(f"{py_loop} < {d}/vars-sample.python"),
            "bc": run_out(f"bc -l < {d}/vars-sample.bc"),
        }
        # calc is left out: past some hundreds of globals it calls bound
        # variables undefined.
        check("vars", outs, rel=5e-11)
        cmds = [
            ("zorm", f"{zorm} dw < {d}/vars.zorm", N),
            ("mawk", f"mawk -f {d}/vars.awk", N),
            ("gawk", f"gawk -f {d}/vars.awk", N),
            ("perl", f"{perl_loop} {d}/vars-small.perl", small),
            ("python3", f"{py_loop} < {d}/vars-small.python", small),
            ("bc -l", f"bc -l < {d}/vars-small.bc", small),
        ]
        log("timing vars...")
        bench.time_workload("vars", cmds, runs)

    if "startup" in only:
        log("timing start-up...")
        with open(f"{d}/one.bc", "w") as f:
            f.write("1+2\n")
        cmds = [
            ("zorm", f"{zorm} c 1+2", 1),
            ("true", "true", 1),
            ("mawk", "mawk 'BEGIN { print 1+2 }'", 1),
            ("gawk", "gawk 'BEGIN { print 1+2 }'", 1),
            ("perl", "perl -e 'print 1+2, \"\\n\"'", 1),
            ("python3", f"{py} -c 'print(1+2)'", 1),
        ]
        if have_calc:
            cmds.append(("calc", "calc 1+2", 1))
        sruns = 30 if q else 300
        bench.time_workload("start-up", cmds, sruns, shell=False, warmup=20, outputs=("null",))
        # bc needs its input on standard input, hence a shell (hyperfine
        # subtracts the shell's own start-up).
        res = bench.hyperfine([("zorm", f"{zorm} c 1+2"), ("bc -l", f"bc -l < {d}/one.bc")],
                              "null", sruns, 20)
        for tool in ("zorm", "bc -l"):
            med, sd, cpu, hi = res[tool]
            bench.rows.append(("start-up (sh)", tool, 1, "null", med, sd, cpu, hi))

    if "replace" in only:
        size = (10 << 20) if q else (100 << 20)
        log("generating replace...")
        size = make_replace(d, size)
        lines = count_lines(f"{d}/replace.txt")
        head(f"{d}/replace.txt", f"{d}/replace-sample.txt", 5000)
        perl_s = r"perl -pe 's/\[\[(.*?)\]\]/eval $1/ge'"
        outs = {
            "zorm": run_out(f"{zorm} r < {d}/replace-sample.txt"),
            "perl": run_out(f"{perl_s} {d}/replace-sample.txt"),
        }
        check("replace", outs, rel=5e-11)
        # zorm and perl must also leave the prose byte for byte as it was.
        strip = lambda s: NUM_RE.sub("#", s)
        if strip(outs["zorm"]) != strip(outs["perl"]):
            sys.exit("bench: replace: zorm and perl differ outside the numbers")
        sed_s = r"sed 's/\[\[[^]]*\]\]/42/g'"
        cmds = [
            ("zorm", f"LC_ALL={UTF8} {zorm} r < {d}/replace.txt", lines),
            ("perl", f"LC_ALL={UTF8} {perl_s} {d}/replace.txt", lines),
            ("sed (UTF-8)", f"LC_ALL={UTF8} {sed_s} {d}/replace.txt", lines),
            ("sed (C)", f"LC_ALL=C {sed_s} {d}/replace.txt", lines),
            ("cat", f"cat {d}/replace.txt", lines),
        ]
        log("timing replace...")
        bench.time_workload("replace", cmds, max(2, runs - 2))
        notes.append(f"replace: {size / (1 << 20):.0f} MiB, {lines:,} lines")

    scaling = []
    if "scaling" in only:
        log("scaling...")
        depth = 1_000_000
        with open(f"{d}/nested.txt", "w") as f:
            f.write("(" * depth + "1" + ")" * depth + "\n")
        t, m = best_of([zorm, "dw"], f"{d}/nested.txt", 5)
        scaling.append(("1,000,000 nested brackets", t, m, "< 0.1 s, < 64 MB"))
        with open(f"{d}/pairs.txt", "w") as f:
            f.write("[[1]]" * 100_000 + "\n")
        t, m = best_of([zorm, "r"], f"{d}/pairs.txt", 5)
        scaling.append(("one line of 100,000 [[1]]", t, m, "< 0.05 s"))
        adds = 5_000_000 if q else 50_000_000
        with open(f"{d}/adds.txt", "wb") as f:
            f.write(b"1+" * adds + b"1\n")
        t, m = best_of([zorm, "dw"], f"{d}/adds.txt", 3)
        scaling.append((f"one statement of {adds:,} additions", t, m, ""))
        # Time per statement as the input grows: the arith lines, repeated.
        if not os.path.exists(f"{d}/arith.zorm"):
            make_arith(d, N)
        with open(f"{d}/arith.zorm", "rb") as f:
            base = f.read()
        top = 6 if q else 7
        for e in range(4, top + 1):
            n = 10 ** e
            path = f"{d}/grow.txt"
            with open(path, "wb") as f:
                left = n
                while left > 0:
                    chunk = base if left >= N else b"".join(base.splitlines(True)[:left])
                    f.write(chunk)
                    left -= min(left, N)
            t, m = best_of([zorm, "dw"], path, 3 if e < 7 else 1)
            scaling.append((f"10^{e} arith lines", t, m, f"{t / n * 1e9:.0f} ns/line"))
            os.remove(path)

    # -----------------------------------------------------------------------
    print()
    print(machine_summary(zorm))
    print()
    print(bench.table())
    if scaling:
        print()
        print("| scaling | time | peak memory | note |")
        print("|---|---:|---:|---|")
        for name, t, m, note in scaling:
            print(f"| {name} | {fmt_time(t)} | {m / (1 << 20):.1f} MiB | {note} |")
    for n in notes:
        print()
        print(n)


if __name__ == "__main__":
    main()
