#!/usr/bin/env python3
"""Generates zorm's parse tables from src/parser/grammar.y.

Usage: lalrgen.py GRAMMAR OUTPUT [--report FILE]

Builds the LR(0) automaton, computes LALR(1) lookaheads by spontaneous
generation and propagation, resolves shift/reduce conflicts with the
precedence declarations (equal levels: left reduces, right shifts, nonassoc
makes the token an error; a conflict without precedence shifts; a
reduce/reduce conflict takes the earlier rule), and marks a default reduction
only in a state whose sole remaining action is one reduction. Those states
reduce without reading a lookahead; every other state reads one.
"""

import re
import sys

ERROR = "error"


class Grammar:
    def __init__(self):
        self.terminals = []        # in token order; 'error' appended last
        self.prec = {}             # terminal -> (level, assoc)
        self.start = None
        self.rules = []            # (lhs, rhs tuple, prec symbol or None, action)
        self.nonterminals = []

    @staticmethod
    def parse(text):
        g = Grammar()
        level = 0
        for raw in text.splitlines():
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("%token"):
                g.terminals.extend(line.split()[1:])
            elif line.startswith(("%left", "%right", "%nonassoc")):
                words = line.split()
                level += 1
                for t in words[1:]:
                    g.prec[t] = (level, words[0][1:])
            elif line.startswith("%start"):
                g.start = line.split()[1]
            else:
                m = re.fullmatch(r"(\w+)\s*->\s*(.*?)\s*;\s*(\w+)", line)
                if not m:
                    raise SystemExit(f"bad grammar line: {raw}")
                lhs, body, action = m.groups()
                words = body.split()
                prec = None
                if "%prec" in words:
                    i = words.index("%prec")
                    prec = words[i + 1]
                    words = words[:i]
                g.rules.append((lhs, tuple(words), prec, action))
                if lhs not in g.nonterminals:
                    g.nonterminals.append(lhs)
        g.terminals.append(ERROR)
        # Rule 0 is the augmented start rule.
        g.rules.insert(0, ("$accept", (g.start,), None, "accept"))
        for lhs, rhs, _, _ in g.rules:
            for s in rhs:
                if s not in g.terminals and s not in g.nonterminals:
                    raise SystemExit(f"unknown symbol {s}")
        return g

    def is_term(self, s):
        return s in self.prec or s in self.terminal_set

    def rule_prec(self, r):
        lhs, rhs, prec, _ = self.rules[r]
        if prec is not None:
            return self.prec.get(prec)
        last = None
        for s in rhs:
            if s in self.terminal_set:
                last = s
        return self.prec.get(last) if last else None

    def finish(self):
        self.terminal_set = set(self.terminals)
        self.by_lhs = {}
        for i, (lhs, _, _, _) in enumerate(self.rules):
            self.by_lhs.setdefault(lhs, []).append(i)
        # FIRST sets (no empty productions are allowed).
        self.first = {t: {t} for t in self.terminals}
        for n in self.nonterminals + ["$accept"]:
            self.first[n] = set()
        changed = True
        while changed:
            changed = False
            for lhs, rhs, _, _ in self.rules:
                if not rhs:
                    raise SystemExit("empty productions are not supported")
                add = self.first[rhs[0]] - self.first[lhs]
                if add:
                    self.first[lhs] |= add
                    changed = True


def closure0(g, items):
    result = list(items)
    seen = set(items)
    i = 0
    while i < len(result):
        r, dot = result[i]
        i += 1
        rhs = g.rules[r][1]
        if dot < len(rhs) and rhs[dot] in g.by_lhs:
            for r2 in g.by_lhs[rhs[dot]]:
                if (r2, 0) not in seen:
                    seen.add((r2, 0))
                    result.append((r2, 0))
    return result


def closure1(g, items):
    """LR(1) closure of (rule, dot, lookahead) items; '#' is the probe."""
    result = list(items)
    seen = set(items)
    i = 0
    while i < len(result):
        r, dot, la = result[i]
        i += 1
        rhs = g.rules[r][1]
        if dot < len(rhs) and rhs[dot] in g.by_lhs:
            follow = g.first[rhs[dot + 1]] if dot + 1 < len(rhs) else {la}
            for r2 in g.by_lhs[rhs[dot]]:
                for b in follow:
                    it = (r2, 0, b)
                    if it not in seen:
                        seen.add(it)
                        result.append(it)
    return result


def build(g):
    g.finish()
    kernels = [((0, 0),)]
    index = {kernels[0]: 0}
    gotos = []
    i = 0
    while i < len(kernels):
        items = closure0(g, kernels[i])
        moves = {}
        order = []
        for r, dot in items:
            rhs = g.rules[r][1]
            if dot < len(rhs):
                s = rhs[dot]
                if s not in moves:
                    moves[s] = []
                    order.append(s)
                moves[s].append((r, dot + 1))
        row = {}
        for s in order:
            k = tuple(sorted(set(moves[s])))
            if k not in index:
                index[k] = len(kernels)
                kernels.append(k)
            row[s] = index[k]
        gotos.append(row)
        i += 1

    # LALR(1) lookaheads of kernel items.
    la = [{it: set() for it in k} for k in kernels]
    la[0][(0, 0)].add("$end")
    prop = []
    for st, k in enumerate(kernels):
        for kit in k:
            for r, dot, a in closure1(g, [(kit[0], kit[1], "#")]):
                rhs = g.rules[r][1]
                if dot < len(rhs):
                    to = gotos[st][rhs[dot]]
                    target = (r, dot + 1)
                    if a == "#":
                        prop.append((st, kit, to, target))
                    else:
                        la[to][target].add(a)
    changed = True
    while changed:
        changed = False
        for st, kit, to, target in prop:
            add = la[st][kit] - la[to][target]
            if add:
                la[to][target] |= add
                changed = True
    return kernels, gotos, la


def tables(g, kernels, gotos, la):
    report = []
    actions = []
    defred = []
    accept_state = gotos[0][g.start]
    for st, k in enumerate(kernels):
        shifts = {s: t for s, t in gotos[st].items() if s in g.terminal_set}
        reduces = {}
        for (r, dot) in k:
            if dot == len(g.rules[r][1]) and r != 0:
                for a in sorted(la[st][(r, dot)]):
                    if a in reduces:
                        # reduce/reduce: the earlier rule wins
                        report.append(f"state {st}: reduce/reduce on {a}, rules {reduces[a]} and {r}")
                        reduces[a] = min(reduces[a], r)
                    else:
                        reduces[a] = r
        row = {}
        for a, t in shifts.items():
            row[a] = ("s", t)
        for a, r in reduces.items():
            if a not in row:
                row[a] = ("r", r)
                continue
            tp = g.prec.get(a)
            rp = g.rule_prec(r)
            if tp is None or rp is None:
                report.append(f"state {st}: shift/reduce on {a} (rule {r}) resolved as shift")
                continue
            if rp[0] > tp[0]:
                row[a] = ("r", r)
            elif rp[0] < tp[0]:
                pass
            elif tp[1] == "left":
                row[a] = ("r", r)
            elif tp[1] == "right":
                pass
            else:
                row[a] = ("e", 0)
        live = [v for v in row.values() if v[0] != "e"]
        sole = None
        if live and all(v[0] == "r" for v in live):
            rules = {v[1] for v in live}
            if len(rules) == 1:
                sole = rules.pop()
        if st == accept_state:
            sole = 0
        defred.append(sole)
        actions.append(row)
    return actions, defred, accept_state, report


def emit(g, kernels, gotos, actions, defred, accept_state):
    terms = g.terminals
    nts = g.nonterminals
    nst = len(kernels)
    out = []
    w = out.append
    w("// Generated by tools/lalrgen.py from src/parser/grammar.y. Do not edit.")
    w("// clang-format off")
    w(f"inline constexpr int kStateCount = {nst};")
    w(f"inline constexpr int kTermCount = {len(terms)};  // tokens, then error")
    w(f"inline constexpr int kErrorTerm = {terms.index(ERROR)};")
    w(f"inline constexpr int kAcceptState = {accept_state};")
    w(f"inline constexpr int kRuleCount = {len(g.rules)};")
    w("")
    w("enum class NonTerm : std::uint8_t { " + ", ".join(f"{n}" for n in nts) + " };")
    acts = []
    for r in g.rules:
        if r[3] not in acts:
            acts.append(r[3])
    w("enum class Action : std::uint8_t { " + ", ".join(acts) + " };")
    w("")
    w("struct RuleInfo {")
    w("  NonTerm lhs;")
    w("  std::uint8_t length;")
    w("  Action action;")
    w("  std::uint8_t head;  // first symbol of the body when it is a token, else 255")
    w("  const char* text;")
    w("};")
    w("")
    w("inline constexpr RuleInfo kRules[kRuleCount] = {")
    for i, (lhs, rhs, prec, action) in enumerate(g.rules):
        lhs_name = lhs if lhs != "$accept" else nts[0]
        head = terms.index(rhs[0]) if rhs[0] in g.terminal_set else 255
        text = f"{lhs} -> {' '.join(rhs)}"
        w(f"  {{NonTerm::{lhs_name}, {len(rhs)}, Action::{action}, {head}, \"{text}\"}},  // {i}")
    w("};")
    w("")
    w("// Default reduction of each state: the rule, or -1 where the state reads a lookahead.")
    w("inline constexpr std::int8_t kDefaultReduction[kStateCount] = {")
    line = []
    for d in defred:
        line.append(str(-1 if d is None else d))
    for i in range(0, len(line), 20):
        w("  " + ", ".join(line[i:i + 20]) + ",")
    w("};")
    w("")
    w("// Action of each state on each token: 0 is an error, a positive value v shifts to")
    w("// state v - 1, a negative value -r reduces by rule r.")
    w("inline constexpr std::int16_t kActions[kStateCount][kTermCount] = {")
    for st in range(nst):
        cells = []
        for t in terms:
            a = actions[st].get(t)
            if a is None or a[0] == "e":
                cells.append("0")
            elif a[0] == "s":
                cells.append(str(a[1] + 1))
            else:
                cells.append(str(-a[1]))
        w("  {" + ",".join(cells) + "},")
    w("};")
    w("")
    w("// State reached from each state on each nonterminal, or -1.")
    w("inline constexpr std::int16_t kGotos[kStateCount][" + str(len(nts)) + "] = {")
    for st in range(nst):
        w("  {" + ",".join(str(gotos[st].get(n, -1)) for n in nts) + "},")
    w("};")
    w("// clang-format on")
    return "\n".join(out) + "\n"


def describe(g, kernels, gotos, la, actions, defred):
    lines = []
    for st, k in enumerate(kernels):
        lines.append(f"state {st}")
        for (r, dot) in closure0(g, k):
            lhs, rhs, _, _ = g.rules[r]
            body = list(rhs[:dot]) + ["."] + list(rhs[dot:])
            extra = ""
            if (r, dot) in la[st] and dot == len(rhs):
                extra = "   [" + " ".join(sorted(la[st][(r, dot)])) + "]"
            lines.append(f"  {lhs} -> {' '.join(body)}{extra}")
        if defred[st] is not None:
            lines.append(f"  default: reduce {defred[st]}")
        else:
            for t in g.terminals:
                a = actions[st].get(t)
                if a:
                    lines.append(f"  {t}: {a[0]}{a[1] if a[0] != 'e' else ''}")
        lines.append("")
    return "\n".join(lines)


def main():
    args = sys.argv[1:]
    report_file = None
    if "--report" in args:
        i = args.index("--report")
        report_file = args[i + 1]
        del args[i:i + 2]
    src, dst = args
    with open(src) as f:
        g = Grammar.parse(f.read())
    kernels, gotos, la = build(g)
    actions, defred, accept_state, conflicts = tables(g, kernels, gotos, la)
    text = emit(g, kernels, gotos, actions, defred, accept_state)
    with open(dst, "w") as f:
        f.write(text)
    if report_file:
        with open(report_file, "w") as f:
            f.write("\n".join(conflicts) + "\n\n")
            f.write(describe(g, kernels, gotos, la, actions, defred))


if __name__ == "__main__":
    main()
