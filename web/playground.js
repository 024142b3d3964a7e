// The playground: a session of statements on the package's Calculator, shown
// as the terminal shows the program's standard output and standard error.
// The session is its options and its lines: a change of an option replays
// the lines on a new calculator, as running the program again with other
// words would, and the link to share it carries both in the address's
// fragment.
import { load } from './zorm.mjs';

const $ = (id) => document.getElementById(id);
const transcript = $('transcript');
const input = $('line');
const flags = [...document.querySelectorAll('#flags input[data-option]')];

const session = { lines: [], ended: false };
let zorm = null;
let calc = null;
let typed = [];  // the history of the statement line
let typedAt = 0;

function options() {
  const o = { unitString: $('unit').value };
  for (const box of flags) o[box.dataset.option] = box.checked;
  const seed = $('seed').value.trim();
  if (/^\d+$/.test(seed)) o.seed = BigInt(seed);
  return o;
}

// A piece of the transcript: 'in' (the typed line), 'out' (standard
// output) or 'err' (standard error).
function append(kind, text) {
  if (text === '') return;
  const span = document.createElement('span');
  span.className = kind;
  span.textContent = text;
  transcript.append(span);
}

let firstResult = true;
function run(line) {
  const r = calc.print(line);
  append('in', `${line}\n`);
  append('err', r.report);
  append('out', r.output);
  if (firstResult && r.output !== '') {
    firstResult = false;
    performance.mark('zorm-first-result');
  }
  if (r.exit) {
    session.ended = true;
    append('note', '(the program ends here: the next statement starts a new session)\n');
  }
}

function showVariables() {
  const body = $('variables').tBodies[0];
  body.replaceChildren();
  const list = calc.variables();
  for (const { name } of list) {
    const row = body.insertRow();
    row.insertCell().textContent = name;
    row.insertCell().textContent = calc.text(name);
  }
  $('no-variables').hidden = list.length !== 0;
}

// A new calculator with the options, and every line of the session again.
function replay() {
  calc?.free();
  calc = new zorm.Calculator(options());
  session.ended = false;
  transcript.replaceChildren();
  for (const line of session.lines) run(line);
  transcript.scrollTop = transcript.scrollHeight;
  showVariables();
  rewrite();
}

function submit(line) {
  if (session.ended) {
    session.lines = [];
    replay();
  }
  session.lines.push(line);
  typed = typed.filter((h) => h !== line);
  typed.push(line);
  typedAt = typed.length;
  run(line);
  transcript.scrollTop = transcript.scrollHeight;
  showVariables();
}

// Replace mode over the text pane: a calculator of its own, with the echo of
// failing statements that the program turns on in that mode.
function rewrite() {
  const text = $('replace-in').value;
  const out = $('replace-out');
  out.replaceChildren();
  const pane = new zorm.Calculator({ ...options(), echoInput: true, delimiters: [$('left').value, $('right').value] });
  try {
    for (const line of text.split('\n')) {
      const r = pane.replace(line);
      for (const [kind, part] of [['err', r.report], ['out', r.output]]) {
        if (part === '') continue;
        const span = document.createElement('span');
        span.className = kind;
        span.textContent = part;
        out.append(span);
      }
      if (r.exit) break;
      out.append(`${r.line}\n`);
    }
  } finally {
    pane.free();
  }
}

// The fragment: o= the options that differ from the defaults, us= the unit
// string, seed=, s= each line, r= the replace pane's text, l= and rt= its
// delimiters.
function toFragment() {
  const p = new URLSearchParams();
  const changed = flags.filter((b) => b.checked !== b.defaultChecked).map((b) => b.dataset.option);
  if (changed.length) p.set('o', changed.join(','));
  if ($('unit').value !== '()') p.set('us', $('unit').value);
  if ($('seed').value) p.set('seed', $('seed').value);
  for (const line of session.lines) p.append('s', line);
  p.set('r', $('replace-in').value);
  if ($('left').value !== '[[') p.set('l', $('left').value);
  if ($('right').value !== ']]') p.set('rt', $('right').value);
  return p.toString();
}

function fromFragment(fragment) {
  const p = new URLSearchParams(fragment);
  const changed = new Set((p.get('o') ?? '').split(',').filter(Boolean));
  for (const box of flags) box.checked = changed.has(box.dataset.option) ? !box.defaultChecked : box.defaultChecked;
  $('unit').value = p.get('us') ?? '()';
  if (p.has('seed')) $('seed').value = p.get('seed');
  if (p.has('r')) $('replace-in').value = p.get('r');
  $('left').value = p.get('l') ?? '[[';
  $('right').value = p.get('rt') ?? ']]';
  session.lines = p.getAll('s');
  return p.has('s');
}

const EXAMPLE = ['1 + 2 * 3', 'x = 2 ^ 10', 'x / 3', 'sqrt 16 + 1', 'y', '@vars'];

async function start() {
  const fragment = location.hash.slice(1);
  if (!fromFragment(fragment) && fragment === '') session.lines = EXAMPLE.slice();
  if (!$('seed').value) $('seed').value = String(crypto.getRandomValues(new Uint32Array(1))[0]);
  zorm = await load();
  replay();
  typed = session.lines.slice();
  typedAt = typed.length;
  input.disabled = false;
  input.focus();
  $('status').textContent = `zorm ${zorm.version} in WebAssembly`;

  $('line-form').addEventListener('submit', (e) => {
    e.preventDefault();
    submit(input.value);
    input.value = '';
  });
  input.addEventListener('keydown', (e) => {
    if (e.key === 'ArrowUp' && typedAt > 0) {
      input.value = typed[--typedAt];
    } else if (e.key === 'ArrowDown' && typedAt < typed.length) {
      typedAt++;
      input.value = typedAt < typed.length ? typed[typedAt] : '';
    } else if (e.key === 'l' && e.ctrlKey) {
      transcript.replaceChildren();
    } else {
      return;
    }
    e.preventDefault();
  });
  for (const box of flags) box.addEventListener('change', replay);
  for (const id of ['unit', 'seed']) $(id).addEventListener('change', replay);
  for (const id of ['replace-in', 'left', 'right']) $(id).addEventListener('input', rewrite);
  $('clear').addEventListener('click', () => {
    session.lines = [];
    replay();
    input.focus();
  });
  $('share').addEventListener('click', async () => {
    history.replaceState(null, '', `#${toFragment()}`);
    let note = 'The address now holds this session.';
    try {
      await navigator.clipboard.writeText(location.href);
      note += ' It is copied.';
    } catch {
      // No clipboard (an insecure origin, a refusal): the address stays.
    }
    $('share-note').textContent = note;
  });
}

start().catch((e) => {
  $('status').textContent = `The module did not load: ${e.message}`;
});
