#!/usr/bin/env python3
"""The table generators refuse what they must not build on: a grammar with a
conflict it does not expect, symbols the vocabulary lacks, a vocabulary with
a lexeme twice. Usage: test_generators.py SOURCE_ROOT"""
import pathlib, re, subprocess, sys, tempfile

root = pathlib.Path(sys.argv[1]).resolve()
vocabulary = root / "src/lexer/tokens.txt"
grammar = (root / "src/parser/grammar.y").read_text()
# The grammar, read from a scratch directory, names the real vocabulary.
grammar = grammar.replace("%tokens ../lexer/tokens.txt", f"%tokens {vocabulary}")
assert f"%tokens {vocabulary}" in grammar
failures = []


def run(tool, source_text, extra=(), name="input"):
    with tempfile.TemporaryDirectory() as tmp:
        src = pathlib.Path(tmp) / name
        out = pathlib.Path(tmp) / "out.inc"
        src.write_text(source_text)
        r = subprocess.run([sys.executable, root / "tools" / tool, src, out, *extra],
                           capture_output=True, text=True)
        return r.returncode, r.stdout, r.stderr, out.exists()


def expect(what, ok, detail=""):
    if not ok:
        failures.append(f"{what}\n{detail}")


# One more conflict than declared: a statement rule for a bare number makes
# the state after VAL both shift END and reduce expr -> VAL on it.
extra_rule = grammar + "evalf     -> VAL END                                  ; no_value\n"
code, out, err, written = run("lalrgen.py", extra_rule, name="grammar.y")
expect("a grammar with one more conflict is refused", code != 0 and not written, err)
expect("the refusal gives the counts",
       "35 shift/reduce and 0 reduce/reduce conflicts" in err and "expects 34 (%expect)" in err, err)
expect("the refusal lists the new conflict",
       re.search(r"shift/reduce: state \d+ on END: shift or reduce by rule \d+ \(expr -> VAL\): neither", err), err)
code, _, err, written = run("lalrgen.py", extra_rule.replace("%expect 34", "%expect 35"), name="grammar.y")
expect("the same grammar passes once it expects 35", code == 0 and written, err)

# The report on demand: every conflict with its resolution, then the counts.
code, out, err, _ = run("lalrgen.py", grammar, ["--conflicts"], name="grammar.y")
lines = out.splitlines()
expect("--conflicts prints the 34 expected conflicts",
       code == 0 and sum(line.startswith("shift/reduce: ") for line in lines) == 34, out + err)
expect("--conflicts prints the ones precedence settles",
       "precedence: state" in out and "left: reduce" in out and "nonassoc: error" in out, out)
expect("--conflicts ends with the counts", lines and lines[-1].startswith("34 shift/reduce (expected 34)"), out)

# Terminals come from the vocabulary alone.
code, _, err, written = run("lalrgen.py", grammar + "expr -> NOSUCHKIND expr ; function\n", name="grammar.y")
expect("a terminal missing from the vocabulary is refused",
       code != 0 and not written and "NOSUCHKIND is neither a token kind of the vocabulary nor a nonterminal" in err, err)
code, _, err, _ = run("lalrgen.py", "%token VAL\n" + grammar, name="grammar.y")
expect("a %token line is refused", code != 0 and "not declared here" in err, err)
code, _, err, _ = run("lalrgen.py", grammar.replace("%left     POW", "%left     POW NOSUCHKIND"), name="grammar.y")
expect("a precedence for a kind the vocabulary lacks is refused",
       code != 0 and "NOSUCHKIND is not a token kind of the vocabulary" in err, err)

# The vocabulary: one kind per lexeme, one line per kind.
text = vocabulary.read_text()
code, _, err, written = run("vocabgen.py", re.sub(r'^(FLOOR\s+"floor")', r'\1 "sqrt"', text, flags=re.M))
expect("a lexeme of two kinds is refused", code != 0 and not written and '"sqrt" already makes SQRT' in err, err)
code, _, err, _ = run("vocabgen.py", text + "PLUS\n")
expect("a kind declared twice is refused", code != 0 and "PLUS is declared again" in err, err)
code, _, err, _ = run("vocabgen.py", re.sub(r'^(CEIL\s+)"ceil"', r"\1ceil", text, flags=re.M))
expect("an unquoted lexeme is refused", code != 0 and "double quotes" in err, err)

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failures" if failures else "the generators refuse what they must")
sys.exit(1 if failures else 0)
