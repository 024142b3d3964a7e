#!/usr/bin/env python3
"""Fails when src/parser/parse_tables.inc is not what the grammar generates."""
import pathlib, subprocess, sys, tempfile

root = pathlib.Path(sys.argv[1])
with tempfile.TemporaryDirectory() as tmp:
    out = pathlib.Path(tmp) / "tables.inc"
    subprocess.run([sys.executable, root / "tools/lalrgen.py", root / "src/parser/grammar.y", out], check=True)
    if out.read_text() != (root / "src/parser/parse_tables.inc").read_text():
        print("parse_tables.inc is stale: rebuild the parse_tables target")
        sys.exit(1)
print("parse tables match the grammar")
