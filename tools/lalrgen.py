#!/usr/bin/env python3
"""Generates zorm's parse tables from src/parser/grammar.y.

Usage: lalrgen.py GRAMMAR OUTPUT [--conflicts] [--report FILE]

The terminals are the token kinds of the vocabulary that the grammar's
%tokens line names, in its order. Builds the LR(0) automaton, computes LALR(1)
lookaheads by spontaneous generation and propagation, resolves shift/reduce
conflicts with the precedence declarations (equal levels: left reduces, right
shifts, nonassoc makes the token an error; a conflict without precedence
shifts; a reduce/reduce conflict takes the earlier rule), and marks a default
reduction only in a state whose sole remaining action is one reduction. Those
states reduce without reading a lookahead; every other state reads one.

The conflicts that precedence does not settle must be expected: the grammar
declares their number (%expect for shift/reduce, %expect-rr for
reduce/reduce, 0 when absent), and any other number fails the run, writing
nothing. --conflicts prints how every conflict was resolved; --report also
writes the automaton, state by state.
"""

import os
import re
import sys

import vocabgen

ERROR = "error"


class Grammar:
    def __init__(self):
        self.terminals = []        # in token order; 'error' appended last
        self.prec = {}             # terminal -> (level, assoc)
        self.start = None
        self.expect = {"shift/reduce": 0, "reduce/reduce": 0}
        self.rules = []            # (lhs, rhs tuple, prec symbol or None, action)
        self.nonterminals = []

    @staticmethod
    def parse(text, path="grammar"):
        """The grammar in `text`; its %tokens line is relative to `path`'s directory."""
        g = Grammar()
        level = 0
        where = {}  # first line of each name used in a declaration, for messages

        def fail(number, message):
            raise SystemExit(f"{path}:{number}: {message}")

        for number, raw in enumerate(text.splitlines(), 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            words = line.split()
            if words[0] == "%tokens" and len(words) == 2:
                if g.terminals:
                    fail(number, "a second %tokens line")
                vocabulary = os.path.join(os.path.dirname(path), words[1])
                g.terminals = [name for name, _ in vocabgen.read(vocabulary)]
            elif words[0] == "%token":
                fail(number, "terminals are not declared here: they are the kinds of the %tokens file")
            elif words[0] in ("%left", "%right", "%nonassoc"):
                level += 1
                for t in words[1:]:
                    if t in g.prec:
                        fail(number, f"{t} has a precedence already")
                    g.prec[t] = (level, words[0][1:])
                    where.setdefault(t, number)
            elif words[0] == "%start" and len(words) == 2:
                g.start = words[1]
            elif words[0] in ("%expect", "%expect-rr") and len(words) == 2 and words[1].isdigit():
                g.expect["shift/reduce" if words[0] == "%expect" else "reduce/reduce"] = int(words[1])
            elif words[0].startswith("%"):
                fail(number, f"unknown declaration: {line}")
            else:
                m = re.fullmatch(r"(\w+)\s*->\s*(.*?)\s*;\s*(\w+)", line)
                if not m:
                    fail(number, f"bad grammar line: {raw}")
                lhs, body, action = m.groups()
                words = body.split()
                prec = None
                if "%prec" in words:
                    i = words.index("%prec")
                    if len(words) != i + 2:
                        fail(number, "%prec ends a rule and names one token")
                    prec = words[i + 1]
                    where.setdefault(prec, number)
                    words = words[:i]
                for s in words:
                    where.setdefault(s, number)
                g.rules.append((lhs, tuple(words), prec, action))
                if lhs not in g.nonterminals:
                    g.nonterminals.append(lhs)
        if not g.terminals:
            raise SystemExit(f"{path}: no %tokens line names the vocabulary")
        if g.start is None:
            raise SystemExit(f"{path}: no %start line")
        if ERROR in g.terminals:
            raise SystemExit(f"{path}: the vocabulary has a kind named {ERROR}")
        g.terminals.append(ERROR)
        # Rule 0 is the augmented start rule.
        g.rules.insert(0, ("$accept", (g.start,), None, "accept"))
        for s in list(g.prec) + [r[2] for r in g.rules if r[2] is not None]:
            if s not in g.terminals:
                fail(where[s], f"{s} is not a token kind of the vocabulary")
        for lhs, rhs, _, _ in g.rules:
            for s in rhs:
                if s not in g.terminals and s not in g.nonterminals:
                    fail(where.get(s, 0), f"{s} is neither a token kind of the vocabulary nor a nonterminal")
        return g

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


def rule_text(g, r):
    lhs, rhs, _, _ = g.rules[r]
    return f"rule {r} ({lhs} -> {' '.join(rhs)})"


def tables(g, kernels, gotos, la):
    """The actions, the default reductions, and each conflict as a pair
    (kind, how it was resolved) where kind is "shift/reduce" or
    "reduce/reduce" when precedence does not settle it, else "precedence"."""
    conflicts = []
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
                        first, second = sorted((reduces[a], r))
                        conflicts.append(("reduce/reduce", f"state {st} on {a}: {rule_text(g, first)} "
                                          f"or {rule_text(g, second)}: reduce by rule {first}"))
                        reduces[a] = first
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
            what = f"state {st} on {a}: shift or reduce by {rule_text(g, r)}"
            if tp is None or rp is None:
                missing = ("neither the token nor the rule has a precedence" if tp is None and rp is None
                           else "the token has no precedence" if tp is None else "the rule has no precedence")
                conflicts.append(("shift/reduce", f"{what}: {missing}: shift"))
                continue
            levels = f"rule level {rp[0]}, token level {tp[0]}"
            if rp[0] > tp[0]:
                row[a] = ("r", r)
                how = f"{levels}: reduce"
            elif rp[0] < tp[0]:
                how = f"{levels}: shift"
            elif tp[1] == "left":
                row[a] = ("r", r)
                how = f"{levels}, left: reduce"
            elif tp[1] == "right":
                how = f"{levels}, right: shift"
            else:
                row[a] = ("e", 0)
                how = f"{levels}, nonassoc: error"
            conflicts.append(("precedence", f"{what}: {how}"))
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
    return actions, defred, conflicts


def conflict_report(g, conflicts):
    """How each conflict was resolved, the unsettled ones first, and the counts."""
    lines = []
    for kind in ("reduce/reduce", "shift/reduce", "precedence"):
        lines += [f"{kind}: {text}" for k, text in conflicts if k == kind]
    counts = {kind: sum(1 for k, _ in conflicts if k == kind) for kind in ("shift/reduce", "reduce/reduce")}
    settled = sum(1 for k, _ in conflicts if k == "precedence")
    lines.append(f"{counts['shift/reduce']} shift/reduce (expected {g.expect['shift/reduce']}), "
                 f"{counts['reduce/reduce']} reduce/reduce (expected {g.expect['reduce/reduce']}), "
                 f"{settled} settled by precedence")
    return lines, counts


def emit(g, kernels, gotos, actions, defred):
    terms = g.terminals
    nts = g.nonterminals
    nst = len(kernels)
    # The widths of the C++ types below.
    if len(g.rules) > 127 or nst >= 32767 or len(terms) >= 255 or len(nts) > 255:
        raise SystemExit("the grammar outgrows the table types of the generated file")
    out = []
    w = out.append
    w("// Generated by tools/lalrgen.py from src/parser/grammar.y and src/lexer/tokens.txt. Do not edit.")
    w("// clang-format off")
    w(f"inline constexpr int kStateCount = {nst};")
    w(f"inline constexpr int kTermCount = {len(terms)};  // tokens, then error")
    w(f"inline constexpr int kRuleCount = {len(g.rules)};")
    w("")
    w("// The terminals by number, as the grammar names them: the token kinds, then error.")
    w("inline constexpr std::string_view kTerminals[kTermCount] = {")
    for i in range(0, len(terms), 10):
        w("  " + " ".join(f'"{t}",' for t in terms[i:i + 10]))
    w("};")
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
    w("};")
    w("")
    w("inline constexpr RuleInfo kRules[kRuleCount] = {")
    for i, (lhs, rhs, prec, action) in enumerate(g.rules):
        lhs_name = lhs if lhs != "$accept" else nts[0]
        head = terms.index(rhs[0]) if rhs[0] in g.terminal_set else 255
        w(f"  {{NonTerm::{lhs_name}, {len(rhs)}, Action::{action}, {head}}},  // {i}: {lhs} -> {' '.join(rhs)}")
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
    show_conflicts = "--conflicts" in args
    args = [a for a in args if a != "--conflicts"]
    if len(args) != 2:
        raise SystemExit(__doc__.strip().splitlines()[2])
    src, dst = args
    with open(src) as f:
        g = Grammar.parse(f.read(), src)
    kernels, gotos, la = build(g)
    actions, defred, conflicts = tables(g, kernels, gotos, la)
    report, counts = conflict_report(g, conflicts)
    if show_conflicts:
        print("\n".join(report))
    if report_file:
        with open(report_file, "w") as f:
            f.write("\n".join(report) + "\n\n")
            f.write(describe(g, kernels, gotos, la, actions, defred))
    if counts != g.expect:
        # Refused before anything is written: a new conflict is a grammar
        # change that precedence does not cover, to be looked at, not shifted.
        if not show_conflicts:
            print("\n".join(line for line in report if not line.startswith("precedence:")), file=sys.stderr)
        raise SystemExit(f"{src}: {counts['shift/reduce']} shift/reduce and {counts['reduce/reduce']} "
                         f"reduce/reduce conflicts are not settled by precedence; the grammar expects "
                         f"{g.expect['shift/reduce']} (%expect) and {g.expect['reduce/reduce']} (%expect-rr)")
    text = emit(g, kernels, gotos, actions, defred)
    with open(dst, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
