#!/usr/bin/env python3
"""Runs the transcripts against the WebAssembly module, through Node.

usage: run_e2e_wasm.py [--node NODE] [--module web/zorm.mjs] FILE.t [FILE.t ...]

The transcripts are read as run_e2e.py reads them. Each case that needs no
process of its own is run by web/test/transcripts.mjs on a fresh calculator
of the module, driven as the program drives its core: the command line's
mode and option words (from src/session/option_table.h) become the
calculator's options, the banner and the end-of-input notice are written
where the program writes them, and standard output and standard error are
compared byte for byte with the transcript's. Skipped: cases with files, a
directory as standard input, another argument 0, merged streams, an exit
status other than 0, --eval-file, --help, and --eval-now in replace mode
(the program flips the echo-input flag after it, and a calculator's options
are fixed). The last line printed is "N passed, N failed, N skipped".
"""

import argparse
import base64
import json
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_e2e  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
END_OF_INPUT = b"{End of file reached}\n"


def option_rows():
    """{word: (option, takes)} from the command line's option table."""
    with open(os.path.join(ROOT, "src", "session", "option_table.h"), encoding="utf-8") as f:
        text = f.read()
    rows = {}
    pattern = r'\{"([^"]*)", "([^"]*)", Opt::(\w+), (-?\d+),'
    for long_form, short_form, opt, takes in re.findall(pattern, text):
        for word in (long_form, short_form):
            if word:
                rows[word.encode()] = (opt, int(takes))
    if not rows:
        raise SystemExit("run_e2e_wasm: no options found in option_table.h")
    return rows


FLAGS = {
    "print_xp": "printXp",
    "print_newline": "printNewline",
    "print_unit": "printUnit",
    "print_symbol": "printSymbol",
    "print_errors": "printErrors",
    "show_error": "showError",
}
DEFAULTS = {"printXp": False, "printNewline": False, "printUnit": False, "printSymbol": True,
            "printErrors": True, "showError": True}


def plan(case, rows):
    """The run of one case for the Node runner, or the reason to skip it."""
    if case.files or case.stdin_dir or case.argv0 is not None:
        return None, "needs files, a directory or argument 0"
    if case.merge:
        return None, "merged streams"
    if case.status != 0:
        return None, "exit status"
    options = dict(DEFAULTS)
    run = {"mode": "stdin", "welcome": True, "evalNow": [], "expressions": [],
           "delimiters": [b"[[", b"]]"], "unitString": b"()"}
    words = case.args
    i = 0
    while i < len(words):
        row = rows.get(words[i])
        if row is None:
            return None, "malformed command line"
        opt, takes = row
        args = words[i + 1:] if takes < 0 else words[i + 1:i + 1 + takes]
        if takes > 0 and len(args) < takes:
            return None, "malformed command line"
        if opt in ("eval_file", "help"):
            return None, "--eval-file or --help"
        if opt == "command_line":
            run["mode"] = "command-line"
            run["expressions"] = args
            break
        if opt == "eval_now":
            run["evalNow"] = args
            break
        if opt == "stdin_mode":
            run["mode"] = "stdin"
        elif opt == "replace":
            run["mode"] = "replace"
        elif opt in FLAGS:
            options[FLAGS[opt]] = not options[FLAGS[opt]]
        elif opt == "display_welcome":
            run["welcome"] = not run["welcome"]
        elif opt == "delimiters":
            run["delimiters"] = args
        elif opt == "unit_string":
            run["unitString"] = args[0]
        else:
            return None, f"option {opt}"
        i += 1 + max(takes, 0)
    if run["evalNow"] and run["mode"] == "replace":
        return None, "--eval-now in replace mode"
    b64 = lambda data: base64.b64encode(data).decode()
    run["options"] = options
    run["unitString"] = b64(run["unitString"])
    run["delimiters"] = [b64(d) for d in run["delimiters"]]
    run["evalNow"] = [b64(w) for w in run["evalNow"]]
    run["expressions"] = [b64(w) for w in run["expressions"]]
    run["stdin"] = b64(case.stdin)
    run["banner"] = b64(run_e2e.BANNER)
    run["endOfInput"] = b64(END_OF_INPUT)
    return run, None


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--node", default="node")
    parser.add_argument("--module", default=os.path.join(ROOT, "web", "zorm.mjs"))
    parser.add_argument("transcripts", nargs="+")
    args = parser.parse_args(argv[1:])
    try:
        cases = [c for p in args.transcripts for c in run_e2e.parse_transcript(p)]
    except (OSError, run_e2e.TranscriptError) as e:
        print(f"run_e2e_wasm: {e}", file=sys.stderr)
        return 2
    rows = option_rows()
    runs, skipped = [], 0
    for case in cases:
        run, why = plan(case, rows)
        if run is None:
            skipped += 1
        else:
            runs.append((case, run))
    runner = os.path.join(ROOT, "web", "test", "transcripts.mjs")
    proc = subprocess.run([args.node, runner, args.module], input=json.dumps([r for _, r in runs]).encode(),
                          stdout=subprocess.PIPE, timeout=600)
    if proc.returncode != 0:
        print(f"run_e2e_wasm: the Node runner failed with status {proc.returncode}", file=sys.stderr)
        return 2
    results = json.loads(proc.stdout)
    passed = failed = 0
    for (case, _), result in zip(runs, results):
        out = base64.b64decode(result["stdout"])
        err = base64.b64decode(result["stderr"])
        # Argument 0 shows only in the malformed-command-line report, whose
        # cases are not run here.
        want_out, want_err = case.expected(b"zorm")
        if out == want_out and err == want_err:
            passed += 1
            continue
        failed += 1
        print(f"FAIL {case.title()}")
        if out != want_out:
            run_e2e.show_diff("stdout", want_out, out)
        if err != want_err:
            run_e2e.show_diff("stderr", want_err, err)
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed or not runs else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
