// The package's Calculator: results and texts across the boundary (strings
// and bytes, texts longer than the buffers), variables, replace mode's
// rewriting, options, and memory given back by free() and by the collector.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { load } from '../zorm.mjs';

const zorm = await load();
const { Calculator } = zorm;

test('statements yield what the program prints, with their reports and spans', () => {
  const calc = new Calculator({ seed: 1 });
  const cases = [
    ['1+2', { kind: 'number', value: 3, text: '3', code: 'none', report: '' }],
    ['1/3', { kind: 'number', text: '0.333333333333' }],
    ['2^30', { kind: 'number', text: '1073741824.' }],
    ['1 E 12', { kind: 'number', text: '1e+12' }],
    ['0/0', { kind: 'number', text: 'NaN' }],
    ['x = 4', { kind: 'no_value', text: '()', code: 'none' }],
    ['1 +', { kind: 'failure', text: 'Error.', code: 'syntax', message: 'Bad expression',
      span: { start: 3, end: 3 }, report: '   ^\n{Parsing failed on pos 3}\n' }],
    ['y * 2', { kind: 'failure', code: 'unbound_variable', span: { start: 0, end: 1 },
      report: "^\n{Parsing failed on pos 0: `y'}\n{Unbound variable: `y'}\n" }],
    ['factorial 22', { kind: 'failure', code: 'too_big', message: 'Factorial: Too big!', report: '' }],
    ['$', { kind: 'failure', code: 'lexical' }],
    ['x * 2', { kind: 'number', value: 8, text: '8' }],
    ['@exit', { kind: 'no_value', exit: true }],
  ];
  for (const [statement, want] of cases) {
    const got = calc.evaluate(statement);
    for (const [field, value] of Object.entries(want)) {
      assert.deepEqual(got[field], value, `${statement}: ${field}`);
    }
  }
  assert.equal(calc.print('1+2').output, '> 3\n');
  assert.equal(calc.text('x = 5'), '()');
  calc.free();
});

test('texts longer than their buffers, statements longer than the input buffer', () => {
  const unit = 'u'.repeat(300);
  const calc = new Calculator({ unitString: unit, reportLineLimit: 0 });
  assert.equal(calc.text('a = 1'), unit);
  for (let i = 0; i < 200; i++) calc.bind(`v${i}`, i);
  const listing = calc.evaluate('@vars').output;
  assert.ok(listing.length > 4000);
  assert.match(listing, /Total: 201 variables\n$/);
  const long = `${'1+'.repeat(5000)}`;
  const failed = calc.evaluate(long);
  assert.equal(failed.report, `${' '.repeat(long.length)}^\n{Parsing failed on pos ${long.length}}\n`);
  assert.equal(calc.text(`${'1+'.repeat(5000)}1`), '5001');
  calc.free();
});

test('strings cross as UTF-8, bytes as bytes', () => {
  const calc = new Calculator({ echoInput: true });
  const r = calc.evaluate('π + 1');
  assert.equal(r.code, 'lexical');
  const syntax = calc.evaluate('1 + // é');
  assert.equal(syntax.report.split('\n')[0], '1 + // é');
  assert.deepEqual(syntax.span, { start: 4, end: 9 });  // bytes: é is two
  const bytes = new Uint8Array([0x31, 0x2b, 0x80]);
  const b = calc.evaluate(bytes);
  assert.ok(b.text instanceof Uint8Array);
  assert.equal(new TextDecoder().decode(b.text), 'Error.');
  assert.deepEqual(calc.text(new Uint8Array([0x32, 0x2a, 0x33])), new Uint8Array([0x36]));
  calc.free();
});

test('variables: bind, value, unbind, clear, and the order of the @vars listing', () => {
  const calc = new Calculator();
  calc.bind('alpha', 1.5);
  calc.text('beta = 2');
  calc.text("gamma' = alpha + beta");
  assert.equal(calc.value("gamma'"), 3.5);
  assert.equal(calc.value('delta'), undefined);
  assert.throws(() => calc.bind('sin', 1), TypeError);
  assert.throws(() => calc.bind('Upper', 1), TypeError);
  const names = calc.variables().map((v) => v.name);
  const listed = [...calc.evaluate('@vars').output.matchAll(/^ *(\S+) = /gm)].map((m) => m[1]);
  assert.deepEqual(names, listed);
  assert.deepEqual(calc.variables().find((v) => v.name === 'beta'), { name: 'beta', value: 2 });
  assert.equal(calc.unbind('beta'), true);
  assert.equal(calc.unbind('beta'), false);
  calc.clear();
  assert.deepEqual(calc.variables(), []);
  calc.free();
});

test('replace rewrites a line as replace mode does', () => {
  const calc = new Calculator({ echoInput: true });
  const lines = [
    ['The sum is [[1+2]].', 'The sum is 3.'],
    ['[[1+1]] and [[2*3]]', '2 and 6'],
    ['[[x=4]] then [[x*2]]', '() then Error.'],
    ['[[x*2]]', '8'],
    ['[[[2+3]]]', '[Error.'],
    ['a [[ b', 'a [[ b'],
    ['[[]]', '()'],
    ['', ''],
  ];
  for (const [line, want] of lines) assert.equal(calc.replace(line).line, want, line);
  const unbound = calc.replace('[[y]]');
  assert.equal(unbound.report, "y\n^\n{Parsing failed on pos 0: `y'}\n{Unbound variable: `y'}\n");
  assert.deepEqual(calc.replace('[[@exit]] [[1]]'), { line: '', report: '', output: 'Bye-bye!\n', exit: true });
  calc.free();

  const custom = new Calculator({ delimiters: ['<%', '%>'], unitString: '' });
  assert.equal(custom.replace('2 <%1+1%> 2 <%z = 1%>.').line, '2 2 2 .');
  // Empty delimiters match at every pass: the passes are bounded.
  const loop = new Calculator({ delimiters: ['', ''] });
  const r = loop.replace('a');
  const passes = /^\{Replacement stopped after (\d+) passes: the results keep forming new delimiters\}\n$/
    .exec(r.report)?.[1];
  assert.ok(passes > 1000, r.report);
  assert.equal(r.line, `a${'()'.repeat(passes)}`);
  custom.free();
  loop.free();
});

test('options: unknown names refused, seeds repeat the generator', () => {
  assert.throws(() => new Calculator({ printxp: true }), TypeError);
  const draws = (seed) => {
    const c = new Calculator({ seed });
    const v = [c.text('rand 1000'), c.text('rand 1000')];
    c.free();
    return v;
  };
  assert.deepEqual(draws(42), draws(42));
  assert.deepEqual(draws(2n ** 64n - 1n), draws(2n ** 64n - 1n));
  const a = new Calculator();
  const b = new Calculator();
  assert.notDeepEqual([a.text('rand 1'), a.text('rand 1')], [b.text('rand 1'), b.text('rand 1')]);
  a.free();
  b.free();
  const quiet = new Calculator({ printErrors: false, printSymbol: false, printXp: true });
  assert.equal(quiet.evaluate('1 +').report, '');
  assert.equal(quiet.print('1+1').output, '1+1 = 2\n');
  quiet.free();
});

test('free() releases at once, the collector releases calculators never freed', async () => {
  const calc = new Calculator();
  calc.free();
  calc.free();
  assert.throws(() => calc.text('1'), /freed/);

  assert.equal(typeof globalThis.gc, 'function', 'run with node --expose-gc');
  const round = () => {
    for (let i = 0; i < 200; i++) new Calculator().text(`x${i} = ${i}`);
  };
  const settle = async () => {
    for (let i = 0; i < 5; i++) {
      globalThis.gc();
      await new Promise((resolve) => setTimeout(resolve, 10));
    }
  };
  round();
  await settle();
  const before = zorm.memory.buffer.byteLength;
  for (let r = 0; r < 20; r++) {
    round();
    await settle();
  }
  // 4,000 calculators held at once would take tens of megabytes.
  assert.ok(zorm.memory.buffer.byteLength - before < 4 << 20,
    `memory grew from ${before} to ${zorm.memory.buffer.byteLength} bytes`);
});

test('versions: the module, the package and the project agree', () => {
  const cmake = readFileSync(new URL('../../CMakeLists.txt', import.meta.url), 'utf8');
  const version = /^project\(zorm VERSION ([0-9.]+)/m.exec(cmake)[1];
  assert.equal(zorm.version, version);
  const pkg = JSON.parse(readFileSync(new URL('../package.json', import.meta.url), 'utf8'));
  const parts = version.split('.');
  while (parts.length < 3) parts.push('0');
  assert.equal(pkg.version, parts.join('.'));
  assert.equal(pkg.name, 'zorm');
});
