// zorm's WebAssembly module side by side with mathjs and expr-eval, in one
// Node process, on formulas that all three read the same way:
//   once  each formula parsed and evaluated from its text, as a calculator
//         field or a spreadsheet cell does (zorm evaluate(), mathjs
//         evaluate(), expr-eval Parser.evaluate());
//   many  one formula with a variable, for many values: zorm bind() and
//         evaluate() (its statements are read each time), mathjs compile()
//         then evaluate(scope), expr-eval parse() then evaluate(scope), and
//         expr-eval's toJSFunction(), which makes a JavaScript function.
// The results are checked to agree first. Each round runs every contender
// once, in an order that rotates from round to round; the table gives the
// median time per evaluation over the rounds and, per round, the ratio of
// each peer's time to zorm's, as their median.
//
// usage: node bench.mjs [ROUNDS]   (bench/web/run.sh installs the peers)
import { Parser } from 'expr-eval';
import * as math from 'mathjs';

import { load } from '../../web/zorm.mjs';

const rounds = Number(process.argv[2] ?? 15);
const { Calculator } = await load();
const calc = new Calculator();
const parser = new Parser();

const ONCE = [
  '1 + 2 * 3',
  '(4 + 5) * (6 - 2) / 3',
  '2 ^ 10 - 1',
  'sqrt(16) + abs(-3) * 2',
  '12.5 * 4 - 7 / 2',
  'sin(0.5) * cos(0.25) + 1',
  '(1 + 2) * (3 + 4) * (5 + 6) / 7 - 0.5',
];
const MANY = '(x + 1) * (x - 2) / 4 + sqrt(x)';
const VALUES = Array.from({ length: 1000 }, (_, i) => i * 0.25);

const agree = (a, b) => a === b || Math.abs(a - b) <= 1e-12 * Math.max(1, Math.abs(a));
for (const f of ONCE) {
  const z = calc.evaluate(f).value;
  const m = math.evaluate(f);
  const e = Parser.evaluate(f);
  if (!agree(z, m) || !agree(z, e)) throw new Error(`${f}: zorm ${z}, mathjs ${m}, expr-eval ${e}`);
}
const compiledMath = math.compile(MANY);
const parsedExpr = parser.parse(MANY);
const jsFunction = parsedExpr.toJSFunction('x');
for (const x of VALUES) {
  calc.bind('x', x);
  const z = calc.evaluate(MANY).value;
  const values = [compiledMath.evaluate({ x }), parsedExpr.evaluate({ x }), jsFunction(x)];
  if (!values.every((v) => agree(z, v))) throw new Error(`${MANY} at ${x}: zorm ${z}, peers ${values}`);
}

// Each contender: one batch of evaluations, returning a sum that keeps the
// work alive, and the number of evaluations it made.
const onceReps = 400;
const contenders = {
  once: {
    'zorm evaluate': () => {
      let s = 0;
      for (let r = 0; r < onceReps; r++) for (const f of ONCE) s += calc.evaluate(f).value;
      return s;
    },
    'mathjs evaluate': () => {
      let s = 0;
      for (let r = 0; r < onceReps; r++) for (const f of ONCE) s += math.evaluate(f);
      return s;
    },
    'expr-eval Parser.evaluate': () => {
      let s = 0;
      for (let r = 0; r < onceReps; r++) for (const f of ONCE) s += Parser.evaluate(f);
      return s;
    },
  },
  many: {
    'zorm bind + evaluate': () => {
      let s = 0;
      for (const x of VALUES) {
        calc.bind('x', x);
        s += calc.evaluate(MANY).value;
      }
      return s;
    },
    'mathjs compile, evaluate': () => {
      let s = 0;
      for (const x of VALUES) s += compiledMath.evaluate({ x });
      return s;
    },
    'expr-eval parse, evaluate': () => {
      let s = 0;
      for (const x of VALUES) s += parsedExpr.evaluate({ x });
      return s;
    },
    'expr-eval toJSFunction': () => {
      let s = 0;
      for (const x of VALUES) s += jsFunction(x);
      return s;
    },
  },
};
const counts = { once: onceReps * ONCE.length, many: VALUES.length };

let sink = 0;
for (const [task, group] of Object.entries(contenders)) {
  const names = Object.keys(group);
  const times = Object.fromEntries(names.map((n) => [n, []]));
  for (const n of names) for (let w = 0; w < 3; w++) sink += group[n]();  // warm-up
  for (let round = 0; round < rounds; round++) {
    for (let k = 0; k < names.length; k++) {
      const n = names[(round + k) % names.length];
      const t = process.hrtime.bigint();
      sink += group[n]();
      times[n].push(Number(process.hrtime.bigint() - t) / counts[task]);
    }
  }
  const median = (list) => {
    const s = [...list].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
  };
  const zorm = names[0];
  console.log(`\n${task}: ${counts[task]} evaluations a round, ${rounds} rounds`);
  console.log('| contender | ns per evaluation (median) | its time / zorm\'s (median of rounds) |');
  console.log('|---|---:|---:|');
  for (const n of names) {
    const ratio = median(times[n].map((t, i) => t / times[zorm][i]));
    console.log(`| ${n} | ${median(times[n]).toFixed(0)} | ${n === zorm ? '1' : ratio.toFixed(2)} |`);
  }
}
calc.free();
if (Number.isNaN(sink)) console.log('(sink)');
