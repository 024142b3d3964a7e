#!/usr/bin/env python3
"""Fails when a committed generated file is not what its source generates
(src/lexer/tokens.inc from tokens.txt, src/parser/parse_tables.inc from
grammar.y and tokens.txt), or when the fuzz dictionary lacks a lexeme."""
import pathlib, re, subprocess, sys, tempfile

root = pathlib.Path(sys.argv[1])
generated = [
    ("src/lexer/tokens.inc", ["tools/vocabgen.py", "src/lexer/tokens.txt"]),
    ("src/parser/parse_tables.inc", ["tools/lalrgen.py", "src/parser/grammar.y"]),
]
status = 0
with tempfile.TemporaryDirectory() as tmp:
    for committed, (tool, source) in generated:
        out = pathlib.Path(tmp) / pathlib.Path(committed).name
        subprocess.run([sys.executable, root / tool, root / source, out], check=True)
        if out.read_text() != (root / committed).read_text():
            print(f"{committed} is stale: rebuild the zorm_generate target")
            status = 1

sys.path.insert(0, str(root / "tools"))
import vocabgen  # noqa: E402

entries = set()
for line in (root / "fuzz/zorm.dict").read_text().splitlines():
    m = re.fullmatch(r'\w+="(.*)"', line.strip())
    if m:
        entries.add(m.group(1).encode().decode("unicode_escape"))
for name, lexemes in vocabgen.read(root / "src/lexer/tokens.txt"):
    for lexeme in lexemes:
        if lexeme not in entries:
            print(f'fuzz/zorm.dict lacks the lexeme "{lexeme}" of {name}')
            status = 1
if status == 0:
    print("generated files match their sources; the fuzz dictionary has every lexeme")
sys.exit(status)
