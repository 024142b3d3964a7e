// The Node half of tests/e2e/run_e2e_wasm.py: reads the planned runs (JSON
// on standard input, texts in base64), runs each on a fresh calculator of
// the module as the program runs its modes, and writes what each wrote to
// standard output and standard error (JSON on standard output).
//
// usage: node transcripts.mjs MODULE < runs.json
import { readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

const { load } = await import(pathToFileURL(process.argv[2]).href);
const zorm = await load();
const runs = JSON.parse(readFileSync(0, 'utf8'));
const bytes = (b64) => new Uint8Array(Buffer.from(b64, 'base64'));

// The lines of standard input: a line feed ends a line and is removed; a
// last line without one still counts.
function lines(input) {
  const list = [];
  let start = 0;
  for (let i = 0; i < input.length; i++) {
    if (input[i] === 10) {
      list.push(input.subarray(start, i));
      start = i + 1;
    }
  }
  if (start < input.length) list.push(input.subarray(start));
  return list;
}

// Writes what one run writes into out and err (lists of byte arrays).
function runOne(run, out, err) {
  // The program flips the echo-input flag when command-line and replace mode
  // start; --eval-now, which runs before, takes the rest of the words, so
  // here it only comes before standard-input mode.
  const calc = new zorm.Calculator({
    ...run.options,
    echoInput: run.mode !== 'stdin',
    unitString: bytes(run.unitString),
    delimiters: run.delimiters.map(bytes),
    seed: 1,
  });
  // A statement's reports, then its output (the streams are compared apart).
  const print = (statement) => {
    const r = calc.print(statement);
    err.push(r.report);
    out.push(r.output);
    return !r.exit;
  };
  try {
    for (const statement of run.evalNow.map(bytes)) if (!print(statement)) return;
    if (run.mode === 'command-line') {
      for (const statement of run.expressions.map(bytes)) if (!print(statement)) return;
      return;
    }
    const input = lines(bytes(run.stdin));
    if (run.mode === 'replace') {
      for (const line of input) {
        const r = calc.replace(line);
        err.push(r.report);
        out.push(r.output);
        if (r.exit) return;
        out.push(r.line, new Uint8Array([10]));
      }
    } else {
      if (run.welcome) out.push(bytes(run.banner));
      for (const line of input) if (!print(line)) return;
    }
    err.push(bytes(run.endOfInput));
  } finally {
    calc.free();
  }
}

const b64 = (parts) => Buffer.concat(parts.map((p) => Buffer.from(p))).toString('base64');
const results = runs.map((run) => {
  const out = [];
  const err = [];
  runOne(run, out, err);
  return { stdout: b64(out), stderr: b64(err) };
});
process.stdout.write(JSON.stringify(results));
